#include "workdata/work_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/error_manager.h"
#include "framework/testing/fakes.h"
#include "workdata/fields.h"
#include "workdata/testing/memory_table_driver.h"
#include "workdata/testing/memory_work_data.h"

namespace eracuni::workdata {
namespace {

using testing::MemoryTableDriver;
using testing::MemoryWorkData;

class RecordingTerminator : public Terminator {
 public:
  void Terminate(int exit_code, const std::string& reason) override {
    calls.push_back({exit_code, reason});
  }
  struct Call {
    int exit_code;
    std::string reason;
  };
  std::vector<Call> calls;
};

class WorkFilesTest : public ::testing::Test {
 protected:
  WorkFilesTest() : errors_(boxes_, terminator_) { errors_.Init(); }

  std::unique_ptr<WorkFiles> Open() { return data_.Open(settings_, errors_); }
  // Work files over the stored data, not yet opened, so faults can be scripted first.
  std::unique_ptr<WorkFiles> Prepare() {
    data_.Store(settings_);
    return std::make_unique<WorkFiles>(settings_, data_.driver(), errors_);
  }
  MemoryTableDriver& driver() { return data_.driver(); }

  std::vector<uint32_t> HeaderIds(WorkFiles& f) {
    std::vector<uint32_t> ids;
    WalkHeaders(f, [&] {
      ids.push_back(f.headers().buffer().U32(eRACUNI::IDENTRACUN));
      return true;
    });
    return ids;
  }
  std::vector<uint32_t> LineNumbers(WorkFiles& f) {
    std::vector<uint32_t> n;
    WalkLines(f, [&] {
      n.push_back(f.lines().buffer().U32(eRACUNIP::ZAPSTEVPOST));
      return true;
    });
    return n;
  }
  std::vector<uint16_t> AttachmentSeqs(WorkFiles& f) {
    std::vector<uint16_t> n;
    WalkAttachments(f, [&] {
      n.push_back(f.attachments().buffer().U16(eRACPRIL::ZAPSTEV));
      return true;
    });
    return n;
  }
  // Positions the headers' buffer on header `ident`, as a header walk would.
  void OnHeader(WorkFiles& f, uint32_t ident) {
    f.headers().buffer().SetU32(eRACUNI::IDENTRACUN, ident);
  }
  std::vector<std::string> Captions() const {
    std::vector<std::string> c;
    for (const MessageRequest& m : boxes_.shown()) c.push_back(m.caption);
    return c;
  }

  eracuni::testing::ScriptedMessageBox boxes_;
  RecordingTerminator terminator_;
  ErrorManager errors_;
  settings::Settings settings_;
  MemoryWorkData data_;
};

TEST_F(WorkFilesTest, WalksFollowKeyOrderWhateverTheStoredOrder) {
  data_.AddHeader(7);
  data_.AddHeader(0);  // identifier 0 is still a header: positioning starts at 0 inclusive
  data_.AddHeader(0x80000001u);  // above 2^31: sorts after 7, unsigned
  data_.AddHeader(6);
  data_.AddLine(7, 3);
  data_.AddLine(7, 1);
  data_.AddLine(7, 2);
  data_.AddLine(0x80000001u, 1);
  data_.AddLine(99, 1);  // no header
  data_.AddAttachment(7, 2, "b.pdf", "/a/", "PDF");
  data_.AddAttachment(7, 1, "a.xml", "/a/", "XML");
  data_.AddAttachment(98, 1, "orphan", "/a/", "PDF");
  auto f = Open();

  EXPECT_EQ(HeaderIds(*f), (std::vector<uint32_t>{0, 6, 7, 0x80000001u}));
  OnHeader(*f, 6);
  EXPECT_TRUE(LineNumbers(*f).empty()) << "a line of header 7 must not reach header 6";
  EXPECT_TRUE(AttachmentSeqs(*f).empty());
  OnHeader(*f, 7);
  EXPECT_EQ(LineNumbers(*f), (std::vector<uint32_t>{1, 2, 3}));
  EXPECT_EQ(LineNumbers(*f), (std::vector<uint32_t>{1, 2, 3})) << "a second walk starts again";
  EXPECT_EQ(AttachmentSeqs(*f), (std::vector<uint16_t>{1, 2}));
  OnHeader(*f, 0x80000001u);
  EXPECT_EQ(LineNumbers(*f), (std::vector<uint32_t>{1}));
  OnHeader(*f, 0);
  EXPECT_TRUE(LineNumbers(*f).empty());

  // The packaging walk takes every attachment, orphans included, from the first record.
  f->attachments().buffer().SetU32(eRACPRIL::IDENTRACUN, 50);
  std::vector<std::string> names;
  EXPECT_EQ(WalkAllAttachments(*f,
                               [&] {
                                 names.emplace_back(
                                     f->attachments().buffer().Clipped(eRACPRIL::IMEPRILOGE));
                                 return true;
                               }),
            3u);
  EXPECT_EQ(names, (std::vector<std::string>{"a.xml", "b.pdf", "orphan"}));
}

TEST_F(WorkFilesTest, EqualKeysKeepStoredOrderAndVisitorCanStop) {
  data_.AddHeader(1);
  data_.AddLine(1, 4).SetText(eRACUNIP::OPISARTIKLA1, "first");
  data_.AddLine(1, 4).SetText(eRACUNIP::OPISARTIKLA1, "second");
  data_.AddLine(1, 5);
  auto f = Open();
  OnHeader(*f, 1);
  std::vector<std::string> seen;
  size_t n = WalkLines(*f, [&] {
    seen.emplace_back(f->lines().buffer().Clipped(eRACUNIP::OPISARTIKLA1));
    return seen.size() < 2;
  });
  EXPECT_EQ(n, 2u);
  EXPECT_EQ(seen, (std::vector<std::string>{"first", "second"}));
}

TEST_F(WorkFilesTest, ReadErrorEndsWalkSilently) {
  for (uint32_t i = 1; i <= 5; ++i) data_.AddHeader(i);
  auto f = Prepare();
  driver().FailReadsAfter(settings_.POTERACUNI, 2);
  ASSERT_TRUE(f->OpenAll().ok());
  EXPECT_EQ(HeaderIds(*f), (std::vector<uint32_t>{1, 2}));
  EXPECT_TRUE(boxes_.shown().empty());
}

TEST_F(WorkFilesTest, FilesNeverOpenedYieldEmptyWalks) {
  data_.AddHeader(1);
  data_.AddLine(1, 1);
  auto f = Prepare();
  EXPECT_TRUE(HeaderIds(*f).empty());
  OnHeader(*f, 1);
  EXPECT_TRUE(LineNumbers(*f).empty());
  EXPECT_EQ(driver().open_calls().size(), 0u);
}

TEST_F(WorkFilesTest, MissingFilesAreCreatedEmpty) {
  auto f = Prepare();
  for (const std::string* p :
       {&settings_.POTERACUNI, &settings_.POTERACUNIP, &settings_.POTERACPRIL})
    driver().Remove(*p);
  EXPECT_TRUE(f->OpenAll().ok());
  EXPECT_EQ(driver().creates(), 3);
  EXPECT_TRUE(driver().Exists(settings_.POTERACUNIP));
  EXPECT_TRUE(f->headers().is_open());
  EXPECT_TRUE(HeaderIds(*f).empty());
  EXPECT_TRUE(boxes_.shown().empty());
  EXPECT_TRUE(terminator_.calls.empty());
}

TEST_F(WorkFilesTest, OpenOrderRelationAndCloseOnZero) {
  auto f = Prepare();
  ASSERT_TRUE(f->OpenAll().ok());
  const auto& calls = driver().open_calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].path, settings_.POTERACPRIL);
  EXPECT_EQ(calls[1].path, settings_.POTERACUNI);
  EXPECT_EQ(calls[2].path, settings_.POTERACUNIP);
  EXPECT_TRUE(calls[0].mode.write);
  EXPECT_TRUE(calls[0].mode.deny_none);
  EXPECT_EQ(f->lines().open_count(), 1) << "eRACUNIP is opened through eRACUNI's relation";
  EXPECT_EQ(driver().tables_open(), 3);
  EXPECT_TRUE(f->OpenAll().ok());
  EXPECT_EQ(driver().open_calls().size(), 3u);

  // A nested open pairs with its close; the file stays open on disk until the last close.
  ASSERT_TRUE(f->headers().Open().ok());
  EXPECT_EQ(driver().open_calls().size(), 3u) << "already open: no second physical open";
  f->headers().Close();
  EXPECT_TRUE(f->headers().is_open());
  EXPECT_TRUE(f->lines().is_open());

  f->CloseAll();
  EXPECT_EQ(driver().tables_open(), 0);
  EXPECT_FALSE(f->lines().is_open());
  EXPECT_EQ(f->lines().open_count(), 0);
  f->headers().Close();  // an unpaired close changes nothing
  EXPECT_EQ(f->lines().open_count(), 0);
}

TEST_F(WorkFilesTest, PathIsReadAtFirstUseAndConvertedToUtf8) {
  auto f = Prepare();
  std::string stored = "/Delo/\x8Aola/eRACUNI.TPS";  // windows-1250 "Šola"
  settings_.POTERACUNI = stored;
  ASSERT_TRUE(f->OpenAll().ok());
  EXPECT_TRUE(driver().Exists("/Delo/\xC5\xA0ola/eRACUNI.TPS"));  // created under UTF-8
}

TEST_F(WorkFilesTest, StoredLayoutThatDiffersIsInvalidFileAndFatal) {
  data_.AddHeader(1);
  auto f = Prepare();
  ASSERT_TRUE(driver().Put(settings_.POTERACUNI, LineLayout(), {}).ok());
  Status s = f->OpenAll();
  EXPECT_TRUE(s.Is(Status::Code::kMismatch)) << s.ToString();
  ASSERT_EQ(Captions(), (std::vector<std::string>{"Invalid File"}));
  EXPECT_NE(boxes_.shown()[0].text.find("eRACUNI has an invalid File structure"), std::string::npos)
      << boxes_.shown()[0].text;
  ASSERT_EQ(terminator_.calls.size(), 1u);
  EXPECT_EQ(terminator_.calls[0].reason, "Invalid File");
  EXPECT_TRUE(HeaderIds(*f).empty());
  EXPECT_TRUE(f->lines().is_open()) << "the other files still open";
}

TEST_F(WorkFilesTest, AccessDeniedOnceIsRecoveredWithoutMessage) {
  data_.AddHeader(1);
  auto f = Prepare();
  driver().FailNextOpens(settings_.POTERACUNI, OpenOutcome::kAccessDenied, 1);
  ASSERT_TRUE(f->OpenAll().ok());
  EXPECT_EQ(driver().options(), (std::vector<std::string>{"Recover=10"}));
  EXPECT_EQ(driver().opens(settings_.POTERACUNI), 2);
  EXPECT_TRUE(boxes_.shown().empty());
  EXPECT_EQ(HeaderIds(*f), (std::vector<uint32_t>{1}));
}

TEST_F(WorkFilesTest, WriteAccessRefusedFallsBackToReadOnlyWithNotice) {
  data_.AddHeader(1);
  auto f = Prepare();
  driver().DenyWriteAccess(settings_.POTERACUNI);
  ASSERT_TRUE(f->OpenAll().ok());
  ASSERT_EQ(Captions(), (std::vector<std::string>{"Access Denied"}));
  EXPECT_EQ(boxes_.shown()[0].text, "Could not get write access to eRACUNI so trying read-only.");
  EXPECT_TRUE(terminator_.calls.empty());
  const auto& last = driver().open_calls().back();
  EXPECT_EQ(last.path, settings_.POTERACUNIP);
  EXPECT_EQ(driver().opens(settings_.POTERACUNI), 3);
  EXPECT_FALSE(driver().open_calls()[3].mode.write);
  EXPECT_TRUE(driver().open_calls()[3].mode.deny_none);
  EXPECT_EQ(HeaderIds(*f), (std::vector<uint32_t>{1}));
}

TEST_F(WorkFilesTest, AccessDeniedEvenReadOnlyIsReported) {
  auto f = Prepare();
  driver().FailNextOpens(settings_.POTERACPRIL, OpenOutcome::kAccessDenied, 100);
  Status s = f->OpenAll();
  EXPECT_TRUE(s.Is(Status::Code::kAccessDenied));
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Access Denied", "File Access Error"}));
  EXPECT_EQ(driver().opens(settings_.POTERACPRIL), 4);
  EXPECT_EQ(terminator_.calls.size(), 1u);
}

TEST_F(WorkFilesTest, BrokenKeysAreRebuilt) {
  data_.AddHeader(2);
  auto f = Prepare();
  driver().BreakKeys(settings_.POTERACUNI);
  ASSERT_TRUE(f->OpenAll().ok());
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Invalid Key"}));
  EXPECT_EQ(boxes_.shown()[0].text, "eRACUNI key file is invalid. Key must be rebuilt.");
  EXPECT_EQ(driver().rebuilds(), 1);
  EXPECT_EQ(HeaderIds(*f), (std::vector<uint32_t>{2}));
}

TEST_F(WorkFilesTest, FatalOpenFailures) {
  struct Case {
    const char* name;
    std::function<void(MemoryTableDriver&, const std::string&)> script;
    std::vector<std::string> captions;
  };
  const std::vector<Case> cases = {
      {"create fails",
       [](MemoryTableDriver& d, const std::string& p) {
         d.Remove(p);
         d.FailCreate(p, Status::AccessDenied("read-only folder", 13));
       },
       {"File Creation Error"}},
      {"create does not take",
       [](MemoryTableDriver& d, const std::string& p) {
         d.FailNextOpens(p, OpenOutcome::kNotFound, 100);
       },
       {"File Creation Error"}},
      {"rebuild fails",
       [](MemoryTableDriver& d, const std::string& p) {
         d.BreakKeys(p);
         d.FailRebuild(p, Status::IoError("disk", 5));
       },
       {"Invalid Key", "Key was not built"}},
      {"keys still broken after the rebuild",
       [](MemoryTableDriver& d, const std::string& p) {
         d.FailNextOpens(p, OpenOutcome::kKeyMustBeRebuilt, 100);
       },
       {"Invalid Key", "Invalid Key", "Key was not built"}},
      {"other error",
       [](MemoryTableDriver& d, const std::string& p) {
         d.FailNextOpens(p, OpenOutcome::kOtherError, 100);
       },
       {"File Access Error"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryWorkData data;
    settings::Settings settings;
    data.Store(settings);
    c.script(data.driver(), settings.POTERACUNIP);
    boxes_.Clear();
    terminator_.calls.clear();
    WorkFiles f(settings, data.driver(), errors_);
    EXPECT_FALSE(f.OpenAll().ok());
    EXPECT_EQ(Captions(), c.captions);
    ASSERT_EQ(terminator_.calls.size(), 1u) << "one fatal message, even with the use after";
    EXPECT_EQ(terminator_.calls[0].reason, c.captions.back());
    EXPECT_FALSE(f.lines().is_open());
    EXPECT_LE(data.driver().opens(settings.POTERACUNIP), 4);
  }
  // The driver's code and text reach the message.
  EXPECT_NE(boxes_.shown().back().text.find("memory store fault (90)"), std::string::npos)
      << boxes_.shown().back().text;
}

// Whatever a driver keeps answering, the open ends after a handful of tries.
TEST_F(WorkFilesTest, OpenEndsWhateverTheDriverAnswers) {
  const OpenOutcome outcomes[] = {OpenOutcome::kNotFound, OpenOutcome::kAccessDenied,
                                  OpenOutcome::kKeyMustBeRebuilt, OpenOutcome::kInvalidDeclaration,
                                  OpenOutcome::kOtherError};
  for (OpenOutcome a : outcomes)
    for (OpenOutcome b : outcomes) {
      MemoryWorkData data;
      settings::Settings settings;
      data.Store(settings);
      for (int i = 0; i < 50; ++i) {
        data.driver().FailNextOpens(settings.POTERACUNI, a);
        data.driver().FailNextOpens(settings.POTERACUNI, b);
      }
      WorkFiles f(settings, data.driver(), errors_);
      EXPECT_FALSE(f.OpenAll().ok());
      EXPECT_LE(data.driver().opens(settings.POTERACUNI), 8);
    }
}

}  // namespace
}  // namespace eracuni::workdata
