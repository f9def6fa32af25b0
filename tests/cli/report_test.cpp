// The report files of `apply`: what each format writes, reads back and
// refuses, and the plan fingerprint and time stamps they carry.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/plan.h"
#include "cli/report_formats.h"
#include "cli/report_junit.h"
#include "cli/report_writer.h"
#include "cli/sha256.h"
#include "tests/support/temp_dir.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace intercom::cli {
namespace {

namespace fs = std::filesystem;

constexpr ReportFormat kFormats[] = {ReportFormat::Csv, ReportFormat::Jsonl, ReportFormat::Junit};

std::string FileText(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string PlanHashOf(const std::string& plan) {
  return PlanHash(StandardCatalogue(), ParsePlan(StandardCatalogue(), plan, "plan.csv"));
}

// Records with what each format has to quote or escape.
std::vector<ReportRecord> TrickyRecords() {
  return {
      {"2026-12-08T14:31:05.123+01:00", "desk, \"left\"\nrow 2 <&> é 東", "subscriber",
       "/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0", "OK", 2.412,
       "key1 3 -> 9, tab\there\r\nnext; it's <b>&amp;</b>", ""},
      {"2026-12-08T14:31:07.001+01:00", " stage ", "splitter", "COM3", "", "FAILED", 0.5,
       "no answer", "backups/stage \"1\".json"},
      {"2026-12-08T14:31:08.000+01:00", "#3", "switch", "/dev/ttyUSB1", "", "STOPPED", 0, "", ""}};
}

fs::path ReportPath(const fs::path& dir, ReportFormat format) {
  return dir / (std::string("report.") + (format == ReportFormat::Csv     ? "csv"
                                          : format == ReportFormat::Jsonl ? "jsonl"
                                                                          : "xml"));
}

TEST(ReportHashes, Sha256MatchesTheFipsVectors) {
  EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(ReportHashes, PlanHashIgnoresLayoutButNotContent) {
  const std::string hash = PlanHashOf(
      "label,kind,key1,studio\n# the rack\ndesk-1,subscriber,9,true\n\nstage,splitter,,\n");
  EXPECT_EQ(PlanHashOf("\"kind\",studio,label,key1\r\nsubscriber,1,\"desk-1\", 9\r\n"
                       "splitter,,stage,\r\n"),
            hash);
  EXPECT_NE(PlanHashOf("label,kind,key1,studio\ndesk-1,subscriber,8,true\nstage,splitter,,\n"),
            hash);
  EXPECT_NE(PlanHashOf("label,kind,key1,studio\ndesk-2,subscriber,9,true\nstage,splitter,,\n"),
            hash);
  EXPECT_NE(PlanHashOf("label,kind,key1,studio\ndesk-1,subscriber,9,true\nstage,switch,,\n"), hash);
  EXPECT_NE(PlanHashOf("label,kind,key1,studio\nstage,splitter,,\ndesk-1,subscriber,9,true\n"),
            hash);
}


TEST(ReportFile, FormatsAreNamedAndKnownByTheFileEnding) {
  EXPECT_EQ(ReportFormatNamed("jsonl"), ReportFormat::Jsonl);
  EXPECT_EQ(ReportFormatNamed("junit"), ReportFormat::Junit);
  EXPECT_EQ(ReportFormatNamed("JSON"), std::nullopt);
  EXPECT_EQ(ReportFormatOfPath("run.JSONL"), ReportFormat::Jsonl);
  EXPECT_EQ(ReportFormatOfPath("run.ndjson"), ReportFormat::Jsonl);
  EXPECT_EQ(ReportFormatOfPath("out/run.xml"), ReportFormat::Junit);
  EXPECT_EQ(ReportFormatOfPath("run.xml.txt"), ReportFormat::Csv);
  EXPECT_TRUE(IsFailure(kResultUnverified));
  EXPECT_FALSE(IsFailure(kResultStopped));
  const ReportRecord record = TrickyRecords()[1];
  EXPECT_EQ(ReportLineText(ReportFormat::Junit, record),
            "2026-12-08T14:31:07.001+01:00, stage ,splitter,COM3,,FAILED,0.500,no answer,"
            "\"backups/stage \"\"1\"\".json\"");
  EXPECT_EQ(ReportLineText(ReportFormat::Jsonl, record),
            "{\"time\":\"2026-12-08T14:31:07.001+01:00\",\"label\":\" stage \",\"kind\":"
            "\"splitter\",\"port\":\"COM3\",\"port_id\":\"\",\"result\":\"FAILED\",\"seconds\":0.5,"
            "\"details\":\"no answer\",\"backup\":\"backups/stage \\\"1\\\".json\"}");
}

// Each format: a new report, then a second run appending to it, read back whole.
TEST(ReportFile, EachFormatReadsBackExactlyWhatItWroteAndAppendsToIt) {
  const fs::path dir = testing::MakeTempDir("report");
  const ReportHeader header{"plans/site, \"A\" <&>.csv", Sha256Hex("site")};
  const std::vector<ReportRecord> records = TrickyRecords();
  for (ReportFormat format : kFormats) {
    SCOPED_TRACE(ReportFormatName(format));
    const std::string path = ReportPath(dir, format).string();
    std::ostringstream err;
    {
      ReportWriter writer;
      ASSERT_TRUE(writer.Open(err, path, format, header)) << err.str();
      EXPECT_EQ(writer.Path(), path);
      EXPECT_TRUE(writer.Add(records[0]));
      EXPECT_TRUE(writer.Add(records[1]));
    }
    ReportWriter second;
    ASSERT_TRUE(second.Open(err, path, format, header)) << err.str();
    EXPECT_TRUE(second.Add(records[2]));
    EXPECT_FALSE(second.Failed());

    const std::optional<ReportContents> contents = ReadReport(err, path, format);
    ASSERT_TRUE(contents) << err.str();
    EXPECT_EQ(contents->header, header);
    EXPECT_EQ(contents->records, records);
  }
  const std::string csv = FileText(ReportPath(dir, ReportFormat::Csv));
  EXPECT_EQ(csv.substr(0, csv.find('\n', csv.find('\n') + 1) + 1),
            "# intercom-cli report; plan sha256=" + header.planHash +
                "; plan file plans/site, \"A\" <&>.csv\n" + std::string(kCsvReportColumns) + "\n");
  const std::string xml = FileText(ReportPath(dir, ReportFormat::Junit));
  EXPECT_NE(xml.find("<testsuite name=\"plans/site, &quot;A&quot; &lt;&amp;&gt;.csv\" tests=\"3\" "
                     "failures=\"1\" errors=\"0\" skipped=\"1\" time=\"2.912\" "
                     "timestamp=\"2026-12-08T14:31:05\">"),
            std::string::npos)
      << xml;
  EXPECT_NE(xml.find("<failure message=\"FAILED: no answer\" type=\"FAILED\"/>"),
            std::string::npos);
  EXPECT_NE(xml.find("<skipped message=\"STOPPED\"/>"), std::string::npos);
  fs::remove_all(dir);
}

TEST(ReportFile, ThreadsAddWholeRecords) {
  const fs::path dir = testing::MakeTempDir("report");
  const std::string path = (dir / "report.jsonl").string();
  std::ostringstream err;
  ReportWriter writer;
  ASSERT_TRUE(writer.Open(err, path, ReportFormat::Jsonl, {"plan.csv", Sha256Hex("plan")}));
  std::vector<std::thread> threads;
  for (int port = 0; port < 4; ++port) {
    threads.emplace_back([&writer, port] {
      ReportRecord record = TrickyRecords()[0];
      for (int row = 0; row < 10; ++row) {
        record.label = std::to_string(port) + "-" + std::to_string(row);
        writer.Add(record);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  const std::optional<ReportContents> contents = ReadReport(err, path, ReportFormat::Jsonl);
  ASSERT_TRUE(contents) << err.str();
  EXPECT_EQ(contents->records.size(), 40u);
  fs::remove_all(dir);
}

// A power cut mid-write leaves part of a line: reading leaves it out, and the
// next run's records start on a line of their own.
TEST(ReportFile, LeavesOutALastLineCutShortAndTakesCrLfAndLargeFiles) {
  const fs::path dir = testing::MakeTempDir("report");
  const ReportHeader header{"plan.csv", Sha256Hex("plan")};
  const std::vector<ReportRecord> records = TrickyRecords();
  for (ReportFormat format : {ReportFormat::Csv, ReportFormat::Jsonl}) {
    SCOPED_TRACE(ReportFormatName(format));
    const fs::path path = ReportPath(dir, format);
    const std::string whole = ReportStartText(format, header) + ReportLineText(format, records[1]) +
                              "\n" + ReportLineText(format, records[0]) + "\n";
    std::ostringstream err;
    // Cut inside the quoted label's line break, and just before the line end.
    for (size_t cut : {whole.find("row 2"), whole.size() - 1}) {
      WriteFile(path, whole.substr(0, cut));
      const std::optional<ReportContents> contents = ReadReport(err, path.string(), format);
      ASSERT_TRUE(contents) << err.str();
      EXPECT_EQ(contents->records, std::vector<ReportRecord>{records[1]});
    }
    {
      ReportWriter writer;
      ASSERT_TRUE(writer.Open(err, path.string(), format, header)) << err.str();
      EXPECT_TRUE(writer.Add(records[2]));
    }
    std::optional<ReportContents> contents = ReadReport(err, path.string(), format);
    ASSERT_TRUE(contents) << err.str();
    EXPECT_EQ(contents->records, (std::vector<ReportRecord>{records[1], records[2]}));

    // Line ends turned into CR LF, as an editor on Windows saves them.
    std::string crLf;
    for (char c : whole) crLf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    WriteFile(path, crLf);
    contents = ReadReport(err, path.string(), format);
    ASSERT_TRUE(contents) << err.str();
    EXPECT_EQ(contents->records, (std::vector<ReportRecord>{records[1], records[0]}));

    // Thousands of rows, past the 1 MiB the plans are limited to.
    std::string large = ReportStartText(format, header);
    for (int row = 0; row < 8000; ++row) large += ReportLineText(format, records[0]) + "\n";
    ASSERT_GT(large.size(), 1024u * 1024);
    WriteFile(path, large);
    contents = ReadReport(err, path.string(), format);
    ASSERT_TRUE(contents) << err.str();
    EXPECT_EQ(contents->records.size(), 8000u);
  }
  std::string reason;
  const std::optional<ReportContents> junit =
      ParseJunit(JunitDocument(header, std::vector<ReportRecord>(8000, records[0])), reason);
  ASSERT_TRUE(junit) << reason;
  EXPECT_EQ(junit->records.size(), 8000u);
  fs::remove_all(dir);
}

TEST(ReportFile, RefusesAnotherPlanAnotherFormatAndWhatIsNoReport) {
  const fs::path dir = testing::MakeTempDir("report");
  const ReportHeader header{"plan.csv", Sha256Hex("plan")};
  const ReportHeader other{"plan.csv", Sha256Hex("other")};
  for (ReportFormat format : kFormats) {
    SCOPED_TRACE(ReportFormatName(format));
    const std::string path = ReportPath(dir, format).string();
    std::ostringstream err;
    ASSERT_TRUE(ReportWriter().Open(err, path, format, header));
    const std::string before = FileText(path);
    EXPECT_FALSE(ReportWriter().Open(err, path, format, other));
    EXPECT_EQ(err.str(), "error: " + path + ": holds the report of another plan (sha256 " +
                             header.planHash.substr(0, 12) + "..., this plan is " +
                             other.planHash.substr(0, 12) + "...); name a new report file\n");
    for (ReportFormat wrong : kFormats) {
      if (wrong == format) continue;
      err.str("");
      EXPECT_FALSE(ReportWriter().Open(err, path, wrong, header));
      EXPECT_FALSE(ReadReport(err, path, wrong));
      EXPECT_TRUE(err.str().find(wrong == ReportFormat::Junit
                                     ? "it is not a JUnit report"
                                     : "its first line is not") != std::string::npos)
          << err.str();
    }
    EXPECT_EQ(FileText(path), before);
  }
  std::ostringstream err;
  const std::string csv = (dir / "bad.csv").string();
  WriteFile(csv, ReportStartText(ReportFormat::Csv, header) + "a,b,c,d,e,f,g,h,i\n");
  EXPECT_FALSE(ReadReport(err, csv, ReportFormat::Csv));
  EXPECT_EQ(err.str(), "error: " + csv + ": line 3: the seconds 'g' are not a number\n");
  err.str("");
  const std::string jsonl = (dir / "bad.jsonl").string();
  WriteFile(jsonl, "{\"report\":\"intercom-cli apply\",\"plan\":\"p\",\"plan_sha256\":\"9f86\"}\n");
  EXPECT_FALSE(ReadReport(err, jsonl, ReportFormat::Jsonl));
  EXPECT_NE(err.str().find("its first line is not"), std::string::npos) << err.str();
  err.str("");
  const std::string xml = (dir / "bad.xml").string();
  std::string deep = "<testsuites name=\"intercom-cli apply\">";
  for (int depth = 0; depth < 100000; ++depth) deep += "<a>";
  WriteFile(xml, deep);
  EXPECT_FALSE(ReadReport(err, xml, ReportFormat::Junit));
  EXPECT_NE(err.str().find("nested too deep"), std::string::npos) << err.str();
  WriteFile(xml, "<testsuites name=\"&;\"/>");
  EXPECT_FALSE(ReadReport(err, xml, ReportFormat::Junit));
  EXPECT_NE(err.str().find("a bad reference"), std::string::npos) << err.str();
  WriteFile(xml, "<testsuites name=\"intercom-cli apply\"><testsuite name=\"p\"><properties>");
  EXPECT_FALSE(ReadReport(err, xml, ReportFormat::Junit));
  EXPECT_FALSE(ReadReport(err, (dir / "missing.csv").string(), ReportFormat::Csv));
#ifndef _WIN32
  err.str("");
  const std::string fifo = (dir / "fifo.csv").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(ReportWriter().Open(err, fifo, ReportFormat::Csv, header));
  EXPECT_EQ(err.str(), "error: " + fifo + ": not a regular file\n");
  if (geteuid() != 0) {
    const fs::path readOnly = dir / "read-only";
    fs::create_directory(readOnly);
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec);
    for (ReportFormat format : kFormats) {
      err.str("");
      EXPECT_FALSE(ReportWriter().Open(err, ReportPath(readOnly, format).string(), format, header));
      EXPECT_TRUE(err.str().find("cannot be") != std::string::npos) << err.str();
    }
    fs::permissions(readOnly, fs::perms::owner_all);
  }
#endif
  fs::remove_all(dir);
}

// Whatever the seconds a file holds, they are written out whole to the
// millisecond and read back as written.
TEST(ReportFile, SecondsOfAnySizeReadBackAsWritten) {
  const ReportHeader header{"plan.csv", Sha256Hex("plan")};
  for (const double seconds : {1e100, -1.7e308, 0x1p52 + 1, 2.0004}) {
    ReportRecord record = TrickyRecords()[1];
    record.seconds = seconds;
    for (ReportFormat format : kFormats) {
      SCOPED_TRACE(ReportFormatName(format));
      const std::string text =
          format == ReportFormat::Junit
              ? JunitDocument(header, {record})
              : ReportStartText(format, header) + ReportLineText(format, record) + "\n";
      std::string reason;
      const std::optional<ReportContents> contents = ParseReport(format, text, reason);
      ASSERT_TRUE(contents) << reason << "\n" << text;
      ASSERT_EQ(contents->records.size(), 1u);
      EXPECT_EQ(contents->records[0].seconds, seconds == 2.0004 ? 2.0 : seconds);
    }
  }
}

#ifndef _WIN32
// The size limit stands in for a full disk: a regular file whose writes fail.
TEST(ReportFile, AddFailsForGoodOnceAWriteFailed) {
  const fs::path dir = testing::MakeTempDir("report");
  const ReportHeader header{"plan.csv", Sha256Hex("plan")};
  const std::vector<ReportRecord> records = TrickyRecords();
  const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  for (ReportFormat format : kFormats) {
    SCOPED_TRACE(ReportFormatName(format));
    const std::string path = ReportPath(dir, format).string();
    std::ostringstream err;
    ReportWriter writer;
    ASSERT_TRUE(writer.Open(err, path, format, header));
    ASSERT_TRUE(writer.Add(records[1]));
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = fs::file_size(path) + 10;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool added = writer.Add(records[0]);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
    EXPECT_FALSE(added);
    EXPECT_TRUE(writer.Failed());
    EXPECT_FALSE(writer.Add(records[2]));
    const std::optional<ReportContents> contents = ReadReport(err, path, format);
    ASSERT_TRUE(contents) << err.str();
    EXPECT_EQ(contents->records, std::vector<ReportRecord>{records[1]});
  }
  signal(SIGXFSZ, oldHandler);
  fs::remove_all(dir);
}
#endif

}  // namespace
}  // namespace intercom::cli
