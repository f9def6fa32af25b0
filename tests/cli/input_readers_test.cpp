// Settings files and plans: what they accept and the one-line refusals of bad input.
#include <gtest/gtest.h>

#include "cli/input_error.h"
#include "cli/plan.h"
#include "cli/setting_text.h"
#include "cli/settings_json.h"

namespace intercom::cli {
namespace {

std::string PlanError(const std::string& text) {
  try {
    ParsePlan(StandardCatalogue(), text, "plan.csv");
  } catch (const InputError& error) {
    return error.what();
  }
  return "(accepted)";
}

std::string JsonError(const std::string& text) {
  try {
    ParseSettingsJson(StandardCatalogue(), text, "s.json");
  } catch (const InputError& error) {
    return error.what();
  }
  return "(accepted)";
}

TEST(Plan, ReadsRowsWithQuotesCommentsAndEmptyCells) {
  const auto rows = ParsePlan(StandardCatalogue(),
                              "\xEF\xBB\xBFlabel,kind,key1,studio,address,input4\r\n"
                              "# the rack\r\n"
                              "\"desk, left\",subscriber,9,true,,\r\n"
                              "\r\n"
                              "stage,splitter,,,12,16\r\n",
                              "plan.csv");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].label, "desk, left");
  EXPECT_EQ(rows[0].line, 3);
  EXPECT_EQ(rows[0].settings.kind, DeviceKind::SubscriberSet);
  ASSERT_EQ(rows[0].settings.values.size(), 2u);
  EXPECT_EQ(rows[0].settings.Find("key1")->value, 9);
  EXPECT_EQ(rows[0].settings.Find("studio")->value, 1);
  EXPECT_EQ(rows[1].settings.kind, DeviceKind::Splitter);
  EXPECT_EQ(rows[1].settings.Find("address")->value, 12);
  EXPECT_EQ(rows[1].settings.Find("input4")->value, 16);
  EXPECT_EQ(rows[1].settings.Find("key1"), nullptr);
}

TEST(Plan, RefusesBadInputNamingLineAndField) {
  EXPECT_EQ(PlanError(""), "plan.csv: no header line");
  EXPECT_EQ(PlanError("label,address\nx,3\n"), "plan.csv:1: the column 'kind' is missing");
  EXPECT_EQ(PlanError("kind,address\nsplitter,3\n"), "plan.csv:1: the column 'label' is missing");
  EXPECT_EQ(PlanError("label,kind,adress\n"), "plan.csv:1: unknown column 'adress'");
  EXPECT_EQ(PlanError("label,kind,address,address\n"),
            "plan.csv:1: column 'address' appears twice");
  EXPECT_EQ(PlanError("label,kind,address\na,splitter,3\na,beltpack,4\n"),
            "plan.csv:3: the label 'a' is used twice");
  EXPECT_EQ(PlanError("label,kind,address\na,splitter,three\n"),
            "plan.csv:2: address: 'three' is not a whole number (allowed 0..32)");
  EXPECT_EQ(PlanError("label,kind,address\na,splitter,3.5\n"),
            "plan.csv:2: address: '3.5' is not a whole number (allowed 0..32)");
  EXPECT_EQ(PlanError("label,kind,key1\na,splitter,3\n"),
            "plan.csv:2: 'key1' is not a setting of a splitter (address 0..32, input1 0..16, "
            "input2 0..16, input3 0..16, input4 0..16)");
  EXPECT_EQ(PlanError("label,kind,address\na,mixer,3\n"),
            "plan.csv:2: kind 'mixer' is not one of subscriber, splitter, beltpack, switch");
  EXPECT_EQ(PlanError("label,kind,address\na,splitter\n"),
            "plan.csv:2: the row has 2 cells, the header 3");
  EXPECT_EQ(PlanError("label,kind,address\n ,splitter,3\n"), "plan.csv:2: the label is empty");
  EXPECT_EQ(PlanError("label,kind\n\"a,splitter\n"), "plan.csv:2: unclosed quote");
}

TEST(Plan, LeavesRangesToThePanel) {
  const auto rows = ParsePlan(StandardCatalogue(), "label,kind,line1\nhub,switch,40\n", "plan.csv");
  EXPECT_EQ(rows.at(0).settings.Find("line1")->value, 40);
}

TEST(SettingsFile, RoundTripsWhatReadPrints) {
  DeviceSettings settings;
  settings.kind = DeviceKind::SubscriberSet;
  AddSetting(StandardCatalogue(), settings, "studio", 1, "");
  AddSetting(StandardCatalogue(), settings, "key2", 0, "");
  const std::string text = SettingsJson(StandardCatalogue(), settings);
  EXPECT_EQ(text, "{\n  \"kind\": \"subscriber\",\n  \"key2\": 0,\n  \"studio\": true\n}\n");
  const DeviceSettings back = ParseSettingsJson(StandardCatalogue(), text, "s.json");
  EXPECT_EQ(back.kind, DeviceKind::SubscriberSet);
  EXPECT_EQ(back.Find("studio")->value, 1);
  EXPECT_EQ(back.Find("key2")->value, 0);
}

TEST(SettingsFile, RefusesBadInputNamingTheKey) {
  EXPECT_EQ(JsonError("{\"kind\": \"beltpack\", \"adress\": 3}"),
            "s.json: unknown key 'adress' for a beltpack (address 0..32, volume 0..16, tally "
            "1..256)");
  EXPECT_EQ(JsonError("{\"address\": 3}"), "s.json: \"kind\" is missing");
  EXPECT_EQ(JsonError("{\"kind\": 2}"),
            "s.json: kind: 2 is not one of subscriber, splitter, beltpack, switch");
  EXPECT_EQ(JsonError("{\"kind\": \"splitter\", \"address\": \"3\"}"),
            "s.json: address: \"3\" is not a whole number (allowed 0..32)");
  EXPECT_EQ(JsonError("{\"kind\": \"splitter\", \"input1\": 2.5}"),
            "s.json: input1: 2.5 is not a whole number (allowed 0..16)");
  EXPECT_EQ(JsonError("{\"kind\": \"splitter\", \"address\": 4294967299}"),
            "s.json: address: 4294967299 is not a whole number (allowed 0..32)");
  EXPECT_EQ(JsonError("{\"kind\": \"splitter\", \"address\": 3, \"address\": 4}"),
            "s.json: address is given twice");
  EXPECT_EQ(JsonError("[1]"), "s.json: expected one JSON object");
  EXPECT_EQ(JsonError("{\"kind\": \"splitter\",}"), "s.json: not a JSON document (byte 21)");
}

}  // namespace
}  // namespace intercom::cli
