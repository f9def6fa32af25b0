// The manual pages list the kinds of the catalogue: a kind added to a copy of
// the catalogue is listed wherever the pages' texts list kinds, and the pages
// the build made list exactly the standard catalogue's kinds.
#include "packaging/man_kind_lists.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "protocol/kind_lists.h"
#include "tests/support/paging_kind.h"

namespace intercom {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  EXPECT_TRUE(file) << path;
  return text.str();
}

std::string Source(const std::string& page) {
  return ReadFile(std::string(INTERCOM_SOURCE_DIR) + "/docs/man/" + page + ".1.scd");
}

std::string Built(const std::string& page) {
  return ReadFile(std::string(INTERCOM_MAN_DIR) + "/" + page + ".1");
}

// The words set in bold on the lines of `roff` from the first line beginning
// with `from` up to the first after it beginning with `to`, in order; with
// `alone`, only bold words that are a line of their own.
std::vector<std::string> BoldWords(const std::string& roff, const std::string& from,
                                   const std::string& to, bool alone) {
  std::vector<std::string> words;
  std::istringstream lines(roff);
  bool inside = false;
  const std::regex bold(alone ? R"(^\\fB([a-z0-9_]+)\\fR$)" : R"(\\fB([a-z0-9_]+)\\fR)");
  for (std::string line; std::getline(lines, line);) {
    if (!inside) {
      inside = line.rfind(from, 0) == 0;
      if (!inside) continue;
    } else if (line.rfind(to, 0) == 0) {
      break;
    }
    for (std::sregex_iterator match(line.begin(), line.end(), bold), end; match != end; ++match)
      words.push_back((*match)[1]);
  }
  return words;
}

TEST(ManKindListsTest, AMadeUpKindIsListedWhereverThePagesListKinds) {
  const Catalogue catalogue = testing::WithPagingKind();
  const std::string cli = FillKindLists(Source("intercom-cli"), catalogue);
  EXPECT_NE(cli.find("installation (subscriber set, splitter, belt pack, switch or paging panel)"),
            std::string::npos)
      << cli;
  EXPECT_NE(cli.find("*switch*\n"
                     "\t*line1* to *line4* (addresses 0 to 32), *volume1* to *volume4* (levels 0 "
                     "to 16)\n\n"
                     "*paging*\n"
                     "\t*zone1* to *zone3* (addresses 0 to 32), *gain* (0 to 16), *tally* (1 to "
                     "256)\n\n"),
            std::string::npos)
      << cli;

  const std::string sim = FillKindLists(Source("intercom-sim"), catalogue);
  EXPECT_NE(sim.find("*beltpack* (belt pack), *switch* or *paging* (paging panel). Required."),
            std::string::npos)
      << sim;

  const std::string config = FillKindLists(Source("intercom-config"), catalogue);
  EXPECT_NE(config.find("a belt pack, a switch or a paging panel, connected"), std::string::npos)
      << config;

  for (const std::string* page : {&cli, &sim, &config})
    EXPECT_EQ(page->find("{{"), std::string::npos) << *page;
}

TEST(ManKindListsTest, AnUnknownMarkerIsRefused) {
  EXPECT_THROW(FillKindLists("a {{kind-names}} b", StandardCatalogue()), UnknownMarker);
}

TEST(ManKindListsTest, TheBuiltPagesListExactlyTheCatalogueKinds) {
  const std::vector<std::string> names = KindNameList(StandardCatalogue());
  EXPECT_EQ(BoldWords(Built("intercom-cli"), ".SH SETTINGS", ".SH", true), names);
  EXPECT_EQ(BoldWords(Built("intercom-sim"), "The device to simulate:", ".", false), names);
  for (const char* page : {"intercom-cli", "intercom-sim", "intercom-config"})
    EXPECT_EQ(Built(page).find("{{"), std::string::npos) << page;
}

}  // namespace
}  // namespace intercom
