#include "framework/error_manager.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "framework/testing/fakes.h"

namespace eracuni {
namespace {

using testing::RecordingTerminator;
using testing::ScriptedMessageBox;

// Ids added by the tests; none of them is in the built-in table.
constexpr int kProbe = 900;

class ErrorManagerTest : public ::testing::Test {
 protected:
  ErrorManagerTest() { errors.Init(); }

  // Makes `text` the current message without showing anything, and fills it.
  std::string Fill(const std::string& text) {
    errors.AddMessage(kProbe, Severity::kBenign, "Probe", text);
    EXPECT_EQ(errors.ReportError(kProbe), 0);
    return errors.FillPlaceholders();
  }

  ScriptedMessageBox boxes;
  RecordingTerminator terminator;
  ErrorManager errors{boxes, terminator};
};

TEST_F(ErrorManagerTest, FatalOpenFailureShowsFileAndErrorThenStopsWithNonZeroCode) {
  errors.SetFileName("F");
  errors.SetErrorState({2, "T", "", ""});
  EXPECT_EQ(errors.RaiseError(msg::kFileAccessError), ErrorManager::kFatalResult);

  ASSERT_EQ(boxes.shown().size(), 1u);
  const MessageRequest& box = boxes.shown()[0];
  EXPECT_EQ(box.caption, "File Access Error");
  EXPECT_EQ(box.text,
            "File F could not be opened.  Error: T (2).  Press OK to end this application");
  EXPECT_EQ(box.icon, MessageIcon::kExclamation);
  EXPECT_EQ(box.buttons, MessageButtons::kOk);

  ASSERT_EQ(terminator.stops().size(), 1u);
  EXPECT_NE(terminator.stops()[0].exit_code, 0);
  EXPECT_EQ(terminator.stops()[0].exit_code, ErrorManager::kFatalExitCode);
  EXPECT_EQ(terminator.stops()[0].reason, "File Access Error");
}

TEST_F(ErrorManagerTest, DriverCodesShowTheDriversTextInErrorText) {
  errors.SetFileName("eRACUNI");
  for (int code : {90, 100, 47}) {
    errors.SetErrorState({code, "runtime", "-7", "driver says no"});
    errors.RaiseError(msg::kFileCreationError);
    EXPECT_EQ(boxes.shown().back().text,
              "Error: (driver says no (-7)) creating eRACUNI.  Press OK to end this application");
  }
  errors.SetErrorState({5, "runtime", "-7", "driver says no"});
  errors.RaiseError(msg::kFileCreationError);
  EXPECT_EQ(boxes.shown().back().text,
            "Error: (runtime (5)) creating eRACUNI.  Press OK to end this application");
}

TEST_F(ErrorManagerTest, InvalidFileFillsLongPlaceholdersBeforeTheirPrefixes) {
  errors.SetFileName("eRACUNIP");
  errors.SetErrorState({47, "Invalid record declaration", "12", "Layout differs"});
  errors.RaiseError(msg::kInvalidFile);
  EXPECT_EQ(boxes.shown().back().text,
            "eRACUNIP has an invalid File structure.|Error: 47 - Invalid record declaration|"
            "FileError: 12 - Layout differs|  Press OK to end this application");
}

TEST_F(ErrorManagerTest, RaiseErrorCapturesTheStateRecordedLast) {
  errors.SetErrorState({2, "first", "", ""});
  errors.RaiseError(kProbe);
  errors.SetErrorState({3, "second", "", ""});
  // ReportError alone shows what the last RaiseError captured.
  EXPECT_EQ(Fill("%ErrorText"), "first (2)");
  errors.RaiseError(kProbe);
  EXPECT_EQ(errors.FillPlaceholders(), "second (3)");
}

TEST_F(ErrorManagerTest, QuestionsAnswerZeroForYesAndFourForNo) {
  boxes.QueueAnswer(MessageButton::kYes);
  boxes.QueueAnswer(MessageButton::kNo);
  EXPECT_EQ(errors.ReportError(41), 0);
  EXPECT_EQ(errors.ReportError(41), 4);
  const MessageRequest& box = boxes.shown().back();
  EXPECT_EQ(box.caption, "Save Record");
  EXPECT_EQ(box.icon, MessageIcon::kQuestion);
  EXPECT_EQ(box.buttons, MessageButtons::kYesNo);
  EXPECT_EQ(box.default_button, MessageButton::kYes);

  // The cancel level asks the same question.
  errors.AddMessage(kProbe, Severity::kCancel, "Stop?", "Stop now?");
  boxes.QueueAnswer(MessageButton::kNo);
  EXPECT_EQ(errors.ReportError(kProbe), 4);
  EXPECT_EQ(boxes.shown().back().icon, MessageIcon::kQuestion);
  EXPECT_TRUE(terminator.stops().empty());
}

TEST_F(ErrorManagerTest, NoticesShowOkAndReturnFive) {
  errors.SetFileName("eRACPRIL   ");
  EXPECT_EQ(errors.ReportError(msg::kAccessDenied), 5);
  const MessageRequest& box = boxes.shown().back();
  EXPECT_EQ(box.caption, "Access Denied");
  EXPECT_EQ(box.text, "Could not get write access to eRACPRIL so trying read-only.");
  EXPECT_EQ(box.icon, MessageIcon::kExclamation);
  EXPECT_EQ(box.buttons, MessageButtons::kOk);
  EXPECT_TRUE(terminator.stops().empty());
}

TEST_F(ErrorManagerTest, BenignAndUnknownIdsShowNothing) {
  EXPECT_EQ(errors.ReportError(17), 0);  // a gap in the table
  EXPECT_EQ(errors.ReportError(kProbe), 0);
  errors.AddMessage(kProbe, Severity::kBenign, "Quiet", "nothing to see");
  EXPECT_EQ(errors.ReportError(kProbe), 0);
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_TRUE(terminator.stops().empty());
}

TEST_F(ErrorManagerTest, ProgramErrorsAndUnknownLevelsAreFatal) {
  errors.SetFileName("eRACUNI");
  errors.ReportError(45);
  EXPECT_EQ(boxes.shown().back().text,
            "Attempt to use file (eRACUNI) before it was opened  Press OK to end this application");
  errors.AddMessage(kProbe, static_cast<Severity>(9), "Odd", "odd level");
  errors.ReportError(kProbe);
  ASSERT_EQ(terminator.stops().size(), 2u);
  EXPECT_EQ(terminator.stops()[1].reason, "Odd");
}

TEST_F(ErrorManagerTest, NewestMessageOfAnIdWins) {
  errors.AddMessage(msg::kFileAccessError, Severity::kNotice, "Mine", "Opening %File failed");
  errors.SetFileName("X");
  EXPECT_EQ(errors.ReportError(msg::kFileAccessError), 5);
  EXPECT_EQ(boxes.shown().back().caption, "Mine");
  EXPECT_EQ(boxes.shown().back().text, "Opening X failed");
  EXPECT_TRUE(terminator.stops().empty());
}

TEST_F(ErrorManagerTest, InitLoadsTheTableOnce) {
  errors.AddMessage(msg::kInvalidKey, Severity::kBenign, "", "");
  errors.Init();  // must not put the table back on top
  EXPECT_EQ(errors.ReportError(msg::kInvalidKey), 0);
  EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(ErrorManagerTest, PlaceholdersMatchIgnoringCase) {
  errors.SetFileName("eRACUNI");
  errors.SetKeyName("ERACUNI:IDENTKLJUC");
  EXPECT_EQ(Fill("%FILE, %file, %KEY."), "eRACUNI, eRACUNI, ERACUNI:IDENTKLJUC.");
}

TEST_F(ErrorManagerTest, ContextTextsLoseTrailingBlanksAndAreCut) {
  errors.SetMessageText("dup   ");
  errors.SetFieldName(std::string(2000, 'f'));
  EXPECT_EQ(Fill("[%Message]"), "[dup]");
  EXPECT_EQ(Fill("%Field"), std::string(ErrorManager::kMaxContextText, 'f'));
}

TEST_F(ErrorManagerTest, CategoryFallsBackToTheDefault) {
  EXPECT_EQ(Fill("%Category"), ErrorManager::kDefaultCategory);
  errors.AddMessage(kProbe + 1, Severity::kNotice, "t", "%Category", "Files");
  errors.ReportError(kProbe + 1);
  EXPECT_EQ(boxes.shown().back().text, "Files");
}

TEST_F(ErrorManagerTest, PreviousIsTheUnfilledTemplateOfTheIdReportedBefore) {
  errors.SetFileName("eRACUNI");
  EXPECT_EQ(Fill("<%Previous>"), "<>");  // nothing was reported before
  errors.ReportError(msg::kAccessDenied);
  EXPECT_EQ(Fill("<%Previous>"), "<Could not get write access to %File so trying read-only.>");
  // The previous report was the probe itself, now holding the newer template.
  EXPECT_EQ(Fill("again: %previous"), "again: again: %previous");
  errors.ReportError(17);  // not in the table
  EXPECT_EQ(Fill("<%Previous>"), "<>");
}

TEST_F(ErrorManagerTest, ValuesHoldingTheirOwnPlaceholderAreInsertedOnce) {
  errors.SetFileName("%File");
  EXPECT_EQ(Fill("%File and %FILE"), "%File and %File");
  errors.SetFileName("a%fileb");
  EXPECT_EQ(Fill("%File|%File"), "a%fileb|a%fileb");
  // Values are still searched by the placeholders that come later.
  errors.SetFileName("%Key");
  errors.SetKeyName("K");
  EXPECT_EQ(Fill("%File"), "K");
}

TEST_F(ErrorManagerTest, FilledTextIsCutTo1999Characters) {
  errors.SetFileName(std::string(1000, 'x'));
  std::string filled = Fill("%File%File%File%Key");
  EXPECT_EQ(filled, std::string(ErrorManager::kMaxFilledText, 'x'));
  // A long template is cut before anything is replaced.
  errors.SetKeyName("k");
  EXPECT_EQ(Fill(std::string(1998, '-') + "%Key"), std::string(1998, '-') + "%");
}

TEST_F(ErrorManagerTest, ProceduresPairPerThread) {
  errors.EnterProcedure("IzdelavaXMLRacunOvoj   ");
  errors.EnterProcedure("NastavitvePrograma");
  EXPECT_EQ(Fill("%Procedure"), "NastavitvePrograma");
  errors.LeaveProcedure();
  EXPECT_EQ(Fill("[%Procedure]"), "[IzdelavaXMLRacunOvoj]");

  // Another thread leaving does not take this thread's entry.
  std::thread([&] {
    errors.LeaveProcedure();
    EXPECT_EQ(Fill("[%Procedure]"), "[]");
  }).join();
  EXPECT_EQ(Fill("%Procedure"), "IzdelavaXMLRacunOvoj");
  errors.LeaveProcedure();
  errors.LeaveProcedure();  // nothing left: no effect
  EXPECT_EQ(Fill("[%Procedure]"), "[]");
}

TEST_F(ErrorManagerTest, EachThreadSeesItsOwnContext) {
  errors.AddMessage(kProbe, Severity::kBenign, "", "%Procedure: %File %ErrorCode");
  // Both contexts are filled before either is read. Not std::latch: the one of mingw's
  // GCC 12 checks the count outside its lock and can sleep through the last arrival.
  std::mutex mu;
  std::condition_variable cv;
  int filled = 0;
  std::string seen[2];
  auto work = [&](int i, const char* procedure, const char* file) {
    errors.EnterProcedure(procedure);
    errors.SetFileName(file);
    errors.SetErrorState({i + 1, "", "", ""});
    {
      std::unique_lock<std::mutex> lock(mu);
      if (++filled == 2) cv.notify_all();
      cv.wait(lock, [&] { return filled == 2; });
    }
    errors.RaiseError(kProbe);
    seen[i] = errors.FillPlaceholders();
    errors.LeaveProcedure();
  };
  std::thread a(work, 0, "NastavitvePrograma", "eRACUNI");
  std::thread b(work, 1, "IzdelavaXMLRacunOvoj", "eRACPRIL");
  a.join();
  b.join();
  EXPECT_EQ(seen[0], "NastavitvePrograma: eRACUNI 1");
  EXPECT_EQ(seen[1], "IzdelavaXMLRacunOvoj: eRACPRIL 2");
}

TEST_F(ErrorManagerTest, ManagersDoNotShareContexts) {
  ScriptedMessageBox other_boxes;
  ErrorManager other(other_boxes, terminator);
  other.Init();
  other.SetFileName("other");
  errors.SetFileName("mine");
  EXPECT_EQ(Fill("%File"), "mine");
  other.ReportError(msg::kAccessDenied);
  EXPECT_EQ(other_boxes.shown().back().text,
            "Could not get write access to other so trying read-only.");
}

TEST(ProcessTerminatorDeathTest, ExitsWithTheFatalCodeAndTheReason) {
  EXPECT_EXIT(ProcessTerminator().Terminate(ErrorManager::kFatalExitCode, "File Access Error"),
              ::testing::ExitedWithCode(ErrorManager::kFatalExitCode), "File Access Error");
}

}  // namespace
}  // namespace eracuni
