// Settings files and plans: what they accept and the one-line refusals of bad input.
#include <gtest/gtest.h>

#include "cli/plan.h"
#include "device/input_error.h"
#include "device/setting_text.h"
#include "device/settings_json.h"

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

std::string SetError(const char* name, const std::string& text) {
  try {
    ParseSettingValue(*StandardCatalogue().Find(DeviceKind::SubscriberSet)->Find(name), text);
  } catch (const InputError& error) {
    return error.what();
  }
  return "(accepted)";
}

// The first kShownCharacters of a refused text, as messages show it.
const std::string kShown64 = std::string(64, 'x') + "…";

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

TEST(Plan, RefusesNulAndNonUtf8CellsNamingTheirColumn) {
  using namespace std::string_literals;
  EXPECT_EQ(PlanError("label,kind,address\na\0b,splitter,3\n"s),
            "plan.csv:2: label: byte 2 of 'a\\x00b' is a NUL byte");
  EXPECT_EQ(PlanError("label,kind,address\na,splitter,\xFF"
                      "3\n"),
            "plan.csv:2: address: byte 1 of '\\xFF3' is not UTF-8 text");
  EXPECT_EQ(PlanError("label,kind,addr\xC3\n"),
            "plan.csv:1: column 3: byte 5 of 'addr\\xC3' is not UTF-8 text");
}

TEST(Plan, CapsLongTextsAndRefusesNumbersBeyond32Bits) {
  const std::string x1000(1000, 'x');
  EXPECT_EQ(PlanError("label,kind," + x1000 + "\n"),
            "plan.csv:1: unknown column '" + kShown64 + "'");
  EXPECT_EQ(
      PlanError("label,kind,address\na," + x1000 + ",3\n"),
      "plan.csv:2: kind '" + kShown64 + "' is not one of subscriber, splitter, beltpack, switch");
  EXPECT_EQ(PlanError("label,kind,address\na,splitter," + x1000 + "\n"),
            "plan.csv:2: address: '" + kShown64 + "' is not a whole number (allowed 0..32)");
  EXPECT_EQ(PlanError("label,kind,address\na,splitter,2147483648\n"),
            "plan.csv:2: address: '2147483648' is not a whole number (allowed 0..32)");
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
  EXPECT_EQ(JsonError("{\"kind\": \"splitter\",}"),
            "s.json: after kind: not a JSON document (byte 21)");
  EXPECT_EQ(JsonError("{\"kind\": \"splitter\", \"address\": 3x}"),
            "s.json: after address: not a JSON document (byte 34)");
  EXPECT_EQ(JsonError("{\"kind\": \"splitter\"} {"), "s.json: not a JSON document (byte 22)");
  EXPECT_EQ(JsonError("{\"kind\": \"splitter\", \"address\": tru}"),
            "s.json: address: not a JSON value (byte 36)");
}

TEST(SettingsFile, RefusesNumbersBeyond32BitsAndFloatsNamingTheKey) {
  EXPECT_EQ(JsonError("{\"kind\":\"beltpack\",\"address\":1e999}"),
            "s.json: address: 1e999 is not a whole number (allowed 0..32)");
  EXPECT_EQ(JsonError("{\"address\":-1e999,\"kind\":\"beltpack\"}"),
            "s.json: address: -1e999 is not a whole number");
  EXPECT_EQ(JsonError("{\"kind\":\"splitter\",\"address\":-2147483649}"),
            "s.json: address: -2147483649 is not a whole number (allowed 0..32)");
  EXPECT_EQ(JsonError("{\"kind\":\"splitter\",\"address\":123456789012345678901234}"),
            "s.json: address: 123456789012345678901234 is not a whole number (allowed 0..32)");
  EXPECT_EQ(JsonError("{\"kind\":\"splitter\",\"address\":3e0}"),
            "s.json: address: 3e0 is not a whole number (allowed 0..32)");
  EXPECT_EQ(JsonError("{\"kind\":\"splitter\",\"address\":" + std::string(5000, '7') + "}"),
            "s.json: address: " + std::string(64, '7') + "… is not a whole number (allowed 0..32)");
}

TEST(SettingsFile, RefusesNumbersThatFitOnlyUnsigned32BitsAsNotWhole) {
  for (const char* number : {"2147483648", "3000000000", "4294967293", "4294967295"}) {
    EXPECT_EQ(JsonError(std::string("{\"kind\":\"splitter\",\"address\":") + number + "}"),
              std::string("s.json: address: ") + number + " is not a whole number (allowed 0..32)");
  }
}

TEST(SettingsFile, RefusesAnythingButWhiteSpaceAfterTheObjectAlsoBehindANul) {
  using namespace std::string_literals;
  EXPECT_EQ(JsonError("{\"kind\":\"subscriber\",\"key1\":6}\0{\"key1\":7}"s),
            "s.json: byte 31 is a NUL byte");
  EXPECT_EQ(JsonError("{\"kind\":\"subscriber\"} \r\n\t\0"s), "s.json: byte 26 is a NUL byte");
  EXPECT_EQ(JsonError("{\"kind\":\"subscriber\"} x"), "s.json: not a JSON document (byte 23)");
  EXPECT_EQ(JsonError("{\"kind\":\"subscriber\",\"key1\":6} \r\n\t"), "(accepted)");
}

TEST(SettingsFile, RefusesAnyNestingAtItsFirstBracket) {
  const std::string deep = std::string(70000, '[') + std::string(70000, ']');
  EXPECT_EQ(JsonError(deep), "s.json: expected one JSON object");
  EXPECT_EQ(JsonError("{\"kind\":\"splitter\",\"address\":" + deep + "}"),
            "s.json: address: expected a single value, found an array");
  EXPECT_EQ(JsonError("{\"kind\":\"splitter\",\"address\":{\"address\":{\"address\":3}}}"),
            "s.json: address: expected a single value, found an object");
  EXPECT_EQ(JsonError(std::string(70000, '{')), "s.json: not a JSON document (byte 2)");
}

TEST(SettingsFile, RefusesNulAndNonUtf8NamingTheKeyOrTheByte) {
  using namespace std::string_literals;
  EXPECT_EQ(JsonError("{\"kind\":\"splitter\",\"address\":\"3\0\"}"s),
            "s.json: address: byte 32 is a NUL byte");
  EXPECT_EQ(JsonError("{\"kind\":\"splitter\",\0}"s), "s.json: after kind: byte 20 is a NUL byte");
  EXPECT_EQ(JsonError("{\"kind\":\"splitter\",\"address\":\"\xC3(\"}"),
            "s.json: address: byte 31 is not UTF-8 text");
  EXPECT_EQ(JsonError("{\"kind\":\"splitter\",\"addr\xFF\":3}"),
            "s.json: after kind: byte 25 is not UTF-8 text");
  EXPECT_EQ(JsonError("{\"kind\":\"splitter\",\"addr\\u0000\":3}"),
            "s.json: unknown key 'addr\\x00' for a splitter (address 0..32, input1 0..16, input2 "
            "0..16, input3 0..16, input4 0..16)");
}

TEST(SettingsFile, ShowsAtMost64CharactersOfAKeyOrValue) {
  const std::string x1000(1000, 'x');
  EXPECT_EQ(JsonError("{\"kind\":\"splitter\",\"" + x1000 + "\":3}"),
            "s.json: unknown key '" + kShown64 +
                "' for a splitter (address 0..32, input1 0..16, input2 0..16, input3 0..16, "
                "input4 0..16)");
  EXPECT_EQ(JsonError("{\"kind\":\"splitter\",\"address\":\"" + x1000 + "\"}"),
            "s.json: address: \"" + kShown64 + "\" is not a whole number (allowed 0..32)");
  EXPECT_EQ(
      JsonError("{\"kind\":\"" + x1000 + "\"}"),
      "s.json: kind: \"" + kShown64 + "\" is not one of subscriber, splitter, beltpack, switch");
  EXPECT_EQ(JsonError("{\"" + x1000 + "\":1,\"" + x1000 + "\":2}"),
            "s.json: " + kShown64 + " is given twice");
  EXPECT_EQ(JsonError("{\"" + x1000 + "\":[1]}"),
            "s.json: " + kShown64 + ": expected a single value, found an array");
}

TEST(SetValue, RefusesNumbersBeyond32BitsFloatsAndBadBytesNamingTheSetting) {
  using namespace std::string_literals;
  EXPECT_EQ(SetError("key1", "+7"), "(accepted)");
  EXPECT_EQ(SetError("key1", "2147483648"),
            "key1: '2147483648' is not a whole number (allowed 0..32)");
  EXPECT_EQ(SetError("key1", "-2147483649"),
            "key1: '-2147483649' is not a whole number (allowed 0..32)");
  EXPECT_EQ(SetError("key1", "1.5"), "key1: '1.5' is not a whole number (allowed 0..32)");
  EXPECT_EQ(SetError("key1", "+-5"), "key1: '+-5' is not a whole number (allowed 0..32)");
  EXPECT_EQ(SetError("key1", "3\0"s), "key1: '3\\x00' is not a whole number (allowed 0..32)");
  EXPECT_EQ(SetError("studio", "\xFF\n"),
            "studio: '\\xFF\\x0A' is not a whole number (allowed 0..1)");
  EXPECT_EQ(SetError("key1", std::string(1000, 'x')),
            "key1: '" + kShown64 + "' is not a whole number (allowed 0..32)");
}

TEST(ShownText, EscapesWhatIsNotPrintableUtf8AndCountsCharacters) {
  using namespace std::string_literals;
  EXPECT_EQ(ShownText("ab\0\t\x7F"s), "ab\\x00\\x09\\x7F");
  // Overlong, surrogate, beyond U+10FFFF, cut short: each byte on its own.
  EXPECT_EQ(ShownText("\xC0\xAF|\xED\xA0\x80|\xF4\x90\x80\x80|\xE2\x82"),
            "\\xC0\\xAF|\\xED\\xA0\\x80|\\xF4\\x90\\x80\\x80|\\xE2\\x82");
  // C1 controls and the line separators would break a line on some terminals.
  EXPECT_EQ(ShownText("a\xC2\x85"
                      "b\xE2\x80\xA8"
                      "c\xE2\x80\xA9"),
            "a\\u0085b\\u2028c\\u2029");
  EXPECT_EQ(ShownText("Настройки €𝄞"), "Настройки €𝄞");
  std::string cyrillic;
  for (int i = 0; i < 65; ++i) cyrillic += "ж";
  EXPECT_EQ(ShownText(cyrillic), cyrillic.substr(0, 128) + "…");
  EXPECT_EQ(ShownText(std::string(64, 'x')), std::string(64, 'x'));
}

TEST(FindBadByte, FindsTheFirstNulOrByteOutsideWellFormedUtf8) {
  using namespace std::string_literals;
  EXPECT_FALSE(FindBadByte("plain, Настройки, 𝄞").has_value());
  const auto at = [](const std::string& text) {
    const auto bad = FindBadByte(text);
    return bad ? std::to_string(bad->offset) + " " + bad->what : std::string("none");
  };
  EXPECT_EQ(at("ab\0\xFF"s), "2 a NUL byte");
  EXPECT_EQ(at("ж\xFF\0"s), "2 not UTF-8 text");
  EXPECT_EQ(at("a\xC0\xAF"), "1 not UTF-8 text");
  EXPECT_EQ(at("a\xED\xA0\x80"), "1 not UTF-8 text");
  EXPECT_EQ(at("a\xF4\x90\x80\x80"), "1 not UTF-8 text");
  EXPECT_EQ(at("a\xE2\x82"), "1 not UTF-8 text");
}

}  // namespace
}  // namespace intercom::cli
