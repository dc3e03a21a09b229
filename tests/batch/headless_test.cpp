#include "batch/headless.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "batch/messages.h"
#include "batch_fixture.h"

namespace eracuni::batch::testing {
namespace {


TEST(MessageLine, TrimmedCaptionAndLineBreaksInUtf8) {
  MessageRequest r;
  r.caption = " NAPAKA v eRACPRIL.TPS ";
  r.text = " V podatkih ra\xE8una|| Obdelava";
  EXPECT_EQ(MessageLine(r), "NAPAKA v eRACPRIL.TPS:  V podatkih ra\xC4\x8Duna\n\n Obdelava");
}

TEST(MessageLine, ControlCharactersFromTheInputAreShownEscaped) {
  MessageRequest r;
  r.caption = "OPOZORILO";
  r.text = "Datoteka a\nb\x1B[2J.pdf|ne obstaja";
  EXPECT_EQ(MessageLine(r), "OPOZORILO: Datoteka a\\nb\\x1B[2J.pdf\nne obstaja");
}

TEST(HeadlessExitCode, CompletedQuietWithMessagesOrNotRun) {
  EXPECT_EQ(HeadlessExitCode(true, 0), 0);
  EXPECT_EQ(HeadlessExitCode(true, 2), 1);
  EXPECT_EQ(HeadlessExitCode(false, 0), 2);
  EXPECT_EQ(HeadlessExitCode(false, 3), 2);
}

TEST_F(BatchTest, HeadlessRunOpensMakesAndCloses) {
  AddInvoice(1, "A1");
  BatchRun& r = Run();
  EXPECT_TRUE(RunHeadless(r));
  EXPECT_EQ(r.window().state, RunState::kClosed);
  EXPECT_EQ(ResultText(r.window()),
            std::string(kResultPrompt) + "\n" + out_.path() + "\neOvojnica_A1_1217.ZIP\n");
}

TEST_F(BatchTest, HeadlessRunWithBlankFoldersDoesNotRun) {
  AddInvoice(1, "A1");
  BatchRun& r = Run();
  settings_.POTDOERACUNOV.clear();
  EXPECT_FALSE(RunHeadless(r));
  EXPECT_TRUE(events_.empty());
  // At opening, and when the button is focused.
  EXPECT_EQ(Texts(), (std::vector<std::string>{
                         " Najprej dolo\xE8ite poti do vhodnih in izhodnih podatkov e-ra\xE8unov!",
                         " Verjetno nimate dolo\xE8"
                         "enih poti v nastavitvah programa ..."}));
}


}  // namespace
}  // namespace eracuni::batch::testing
