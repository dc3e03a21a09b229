#include "batch/window/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTextBrowser>

#include "../../settings/window/qt_application.h"
#include "framework/cp1250.h"
#include "framework/testing/fakes.h"
#include "workdata/fields.h"
#include "workdata/testing/memory_work_data.h"

namespace eracuni::batch {
namespace {

namespace H = workdata::eRACUNI;
using eracuni::testing::TempDir;
using eracuni::testing::WriteSmallFile;

class NoPickers : public qt::Pickers {
 public:
  std::optional<std::string> ChooseFolder(QWidget*, const QString&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> ChooseFile(QWidget*, const QString&, const std::string&,
                                        const QString&) override {
    return std::nullopt;
  }
};

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() : errors_(fake_.messages, terminator_) {
    eracuni::testing::QtApplication();
    errors_.Init();
    fake_.clock.Set({2018, 12, 17, 10, 0, 0, 0});
    writers_.invoice = [this](settings::Settings& s, workdata::WorkFiles&, FileSystem& fs,
                              std::string_view name) {
      invoices_.emplace_back(name);
      if (during_invoice_) during_invoice_();
      return WriteSmallFile(fs, Cp1250ToUtf8(s.POTDOXMLRACUNOV + std::string(name)), "<r/>");
    };
    auto envelope = [this](settings::Settings&, workdata::WorkFiles&, Platform& p,
                           const std::string& path, const envelope::WrittenDocuments*) {
      envelope::EnvelopeResult r;
      envelopes_.push_back(path);
      r.status = WriteSmallFile(p.files, path, "<package/>");
      if (r.status.ok()) r.files.push_back(path);
      return r;
    };
    writers_.plain_envelope = envelope;
    writers_.payment_envelope = envelope;
  }
  ~MainWindowTest() override { window_.reset(); }

  // Headers numbered as given, each with its "XML" attachment; the BIC names no known bank.
  void AddInvoices(std::vector<std::string> numbers, const std::string& bic = "LJBASI2X") {
    uint32_t ident = 1;
    for (const std::string& n : numbers) {
      workdata::RecordBuffer& h = data_.AddHeader(ident);
      h.SetText(H::STEVILKARACUNA, n);
      h.SetText(H::VRSTARACUNA, "380");
      h.SetText(H::NAZIVBANKE1, "NLB d.d.");
      h.SetText(H::NAZIVBANKE2, bic);
      data_.AddAttachment(ident, 1, n + ".XML", out_.path(), "XML");
      ++ident;
    }
  }

  // The window over the data added so far, shown and opened.
  MainWindow& Open(bool blank_output_folder = false) {
    files_ = data_.Open(settings_, errors_);
    settings_.POTDOXMLRACUNOV = blank_output_folder ? "" : out_.path();
    window_ = std::make_unique<MainWindow>(MainWindowContext{
        settings_, *files_, fake_.platform, errors_, nullptr, data_.driver(), pickers_, writers_});
    window_->show();
    QApplication::setActiveWindow(window_.get());
    window_->Open();
    return *window_;
  }
  template <typename T>
  T* Control(const char* name) {
    T* w = window_->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  bool Shown(const char* name) { return !Control<QWidget>(name)->isHidden(); }
  std::vector<std::string> Captions() {
    std::vector<std::string> v;
    for (const MessageRequest& m : fake_.messages.shown()) v.push_back(m.caption);
    return v;
  }
  RunState State() { return window_->run().window().state; }

  eracuni::testing::FakePlatform fake_;
  ::eracuni::testing::RecordingTerminator terminator_;
  ErrorManager errors_;
  settings::Settings settings_;
  workdata::testing::MemoryWorkData data_;
  TempDir out_;
  NoPickers pickers_;
  DocumentWriters writers_;
  std::vector<std::string> invoices_;
  std::vector<std::string> envelopes_;
  std::function<void()> during_invoice_;
  std::unique_ptr<workdata::WorkFiles> files_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, OpeningWithWorkDataShowsTheRange) {
  AddInvoices({"A1", "A2", "A3"}, "BAKOSI2X");
  Open();
  EXPECT_EQ(window_->windowTitle(),
            QString::fromUtf8("XML 1.6  eRAČUNi       MIRVAL d.o.o.                ver. 1.8     "
                              "17.12. 2018"));
  EXPECT_EQ(Control<QLineEdit>("?LOC:ODRACUNA")->text(), "A1");
  EXPECT_EQ(Control<QLineEdit>("?LOC:DORACUNA")->text(), "A3");
  EXPECT_EQ(Control<QLineEdit>("?LOC:STEVILORACUNOV")->text(), "3");
  EXPECT_EQ(Control<QLineEdit>("?LOC:IZBRANABANKA")->text(), "NLB d.d.");
  EXPECT_EQ(Control<QLineEdit>("?LOC:IZBRANISWIFT")->text(), "BAKOSI2X");
  EXPECT_TRUE(Control<QRadioButton>("?GLO:KATERABANKA:RADIO1")->isChecked());  // K
  EXPECT_TRUE(Shown("?NASLOVNICA"));
  EXPECT_FALSE(Shown("?NASLOVNICA:2"));
  EXPECT_TRUE(Shown("?OKBUTTON"));
  EXPECT_EQ(Control<QPushButton>("?OKBUTTON")->text(), "  &IZDELAJ");
  EXPECT_EQ(Control<QPushButton>("?CANCEL")->text(), QString::fromUtf8("&PREKLIČI"));
  for (const char* hidden : {"?LOC:MESTO2", "?LOC:IZHOD2", "?PROMPTMESTOIME"})
    EXPECT_FALSE(Shown(hidden)) << hidden;
  EXPECT_TRUE(Shown("output_info"));
  EXPECT_TRUE(fake_.messages.shown().empty());
  EXPECT_EQ(State(), RunState::kReady);
}

TEST_F(MainWindowTest, OpeningWithoutHeadersLeavesOnlyTheCloseButton) {
  Open();
  EXPECT_EQ(Captions(), (std::vector<std::string>{" OPOZORILO", "INFORMACIJA"}));
  EXPECT_FALSE(Shown("?OKBUTTON"));
  EXPECT_TRUE(Shown("?CANCEL"));
  EXPECT_EQ(Control<QPushButton>("?CANCEL")->text(), " ZAPRI");
  EXPECT_EQ(State(), RunState::kBlocked);
  EXPECT_EQ(QApplication::focusWidget(), Control<QWidget>("?GUMBNASTAVITVE"));
}

TEST_F(MainWindowTest, BlankFolderWarnsAndBlocksWhenTheMakeButtonIsReached) {
  AddInvoices({"A1"});
  Open(/*blank_output_folder=*/true);
  EXPECT_EQ(Captions(), (std::vector<std::string>{" OPOZORILO"}));
  EXPECT_EQ(Control<QLineEdit>("?LOC:STEVILORACUNOV")->text(), "0");
  EXPECT_EQ(QApplication::focusWidget(), Control<QWidget>("?GUMBNASTAVITVE"));
  EXPECT_TRUE(Shown("?OKBUTTON"));

  Control<QPushButton>("?OKBUTTON")->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(Captions(), (std::vector<std::string>{" OPOZORILO", "INFORMACIJA"}));
  EXPECT_FALSE(Shown("?OKBUTTON"));
  EXPECT_EQ(Control<QPushButton>("?CANCEL")->text(), " ZAPRI");
  EXPECT_EQ(State(), RunState::kBlocked);
}

TEST_F(MainWindowTest, MakeButtonChecksRunForEveryFocusItGets) {
  AddInvoices({"A1"});
  Open(/*blank_output_folder=*/true);
  // The focus an activated window gives back to the button it had.
  Control<QPushButton>("?OKBUTTON")->setFocus(Qt::ActiveWindowFocusReason);
  EXPECT_EQ(Captions(), (std::vector<std::string>{" OPOZORILO", "INFORMACIJA"}));
  EXPECT_FALSE(Shown("?OKBUTTON"));
}

TEST_F(MainWindowTest, MakeWritesTheDocumentsAndShowsWhereTheyAre) {
  AddInvoices({"A1", "A2", "A3"});
  Open();
  std::vector<QString> progress;
  during_invoice_ = [&] { progress.push_back(Control<QLabel>("progress")->text()); };
  // The envelope is named after the last number as shown, typed or not.
  QLineEdit* last = Control<QLineEdit>("?LOC:DORACUNA");
  last->clear();
  QTest::keyClicks(last, "X9");
  QTest::mouseClick(Control<QPushButton>("?OKBUTTON"), Qt::LeftButton);

  EXPECT_EQ(invoices_, (std::vector<std::string>{"A1.XML", "A2.XML", "A3.XML"}));
  EXPECT_TRUE(eracuni::testing::ReadFileOrEmpty(out_.File("A2.XML")) == "<r/>");
  ASSERT_EQ(envelopes_.size(), 1u);
  EXPECT_EQ(envelopes_[0], out_.File("eOvojnica_X9_1217.XML"));
  ASSERT_EQ(progress.size(), 3u);
  EXPECT_EQ(progress[1], QString::fromUtf8("Izdelava e-računa 2 od 3: A2.XML"));
  EXPECT_EQ(Control<QLabel>("progress")->text(),
            QString::fromUtf8("Število izdelanih e-računov: 3"));

  EXPECT_EQ(State(), RunState::kDone);
  for (const char* shown : {"?LOC:MESTO2", "?LOC:IZHOD2", "?PROMPTMESTOIME"})
    EXPECT_TRUE(Shown(shown)) << shown;
  EXPECT_FALSE(Shown("output_info"));
  EXPECT_EQ(Control<QLineEdit>("?LOC:MESTO2")->text(), QString::fromStdString(out_.path()));
  EXPECT_EQ(Control<QLineEdit>("?LOC:IZHOD2")->text(), "eOvojnica_X9_1217.XML");
  EXPECT_FALSE(Shown("?OKBUTTON"));
  EXPECT_EQ(Control<QPushButton>("?CANCEL")->text(), " ZAPRI");
  EXPECT_EQ(QApplication::focusWidget(), Control<QWidget>("?CANCEL"));
  EXPECT_TRUE(window_->isVisible());  // interactive: the window waits for the close button
}

TEST_F(MainWindowTest, ReportButtonAfterARunShowsTheReportReadOnly) {
  AddInvoices({"A1", "A2"});
  Open();
  EXPECT_FALSE(Shown("report"));
  Control<QPushButton>("?OKBUTTON")->click();
  QPushButton* report = Control<QPushButton>("report");
  ASSERT_TRUE(Shown("report"));
  EXPECT_EQ(report->text(), QString::fromUtf8("POROČILO"));
  report->click();
  report->click();  // the open window is raised, not opened twice
  EXPECT_EQ(window_->findChildren<RunReportWindow*>().size(), 1);
  ASSERT_NE(window_->report_window(), nullptr);
  QTextBrowser* page = window_->report_window()->browser();
  EXPECT_TRUE(page->isReadOnly());
  EXPECT_TRUE(page->toPlainText().contains(QString::fromUtf8("O – Druge banke")));
  EXPECT_EQ(window_->report_window()->windowTitle(),
            QString::fromUtf8("Poročilo o izdelavi – eOvojnica_A2_1217.html"));
}

TEST_F(MainWindowTest, MakeButtonCannotBePressedTwice) {
  AddInvoices({"A1", "A2"});
  Open();
  QPushButton* ok = Control<QPushButton>("?OKBUTTON");
  during_invoice_ = [&] { ok->click(); };  // pressed again while the run is going on
  ok->click();
  ok->click();  // and after it, hidden
  QTest::keyClick(window_.get(), Qt::Key_Return);
  EXPECT_EQ(invoices_.size(), 2u);
  EXPECT_EQ(envelopes_.size(), 1u);
}

TEST_F(MainWindowTest, CloseButtonClosesTheWindowAndTheWorkFiles) {
  AddInvoices({"A1"});
  Open();
  QSignalSpy closed(window_.get(), &MainWindow::closed);
  Control<QPushButton>("?CANCEL")->click();
  EXPECT_EQ(closed.count(), 1);
  EXPECT_EQ(State(), RunState::kClosed);
  EXPECT_FALSE(files_->opened());
  EXPECT_FALSE(window_->isVisible());
}

TEST_F(MainWindowTest, ChannelAndCheckBoxWriteTheirSettings) {
  AddInvoices({"A1"}, "BAKOSI2X");
  Open();
  Control<QRadioButton>("?GLO:KATERABANKA:RADIO6")->click();
  EXPECT_EQ(settings_.KATERABANKA, 'Z');
  // The package picture follows the channel only when the make button next gets the focus.
  EXPECT_TRUE(Shown("?NASLOVNICA"));
  Control<QPushButton>("?OKBUTTON")->setFocus(Qt::TabFocusReason);
  EXPECT_FALSE(Shown("?NASLOVNICA"));
  EXPECT_TRUE(Shown("?NASLOVNICA:2"));

  Control<QCheckBox>("?GLO:DSVIMENURACUNA")->click();
  EXPECT_EQ(settings_.DSVIMENURACUNA, 1);
}

TEST_F(MainWindowTest, SettingsWindowOpensBesideAndItsChangesShowAtOnce) {
  AddInvoices({"A1", "A2"});
  Open();
  Control<QPushButton>("?GUMBNASTAVITVE")->click();
  settings::NastavitvePrograma* s = window_->settings_window();
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(s->isVisible());
  EXPECT_FALSE(s->isModal());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  Control<QPushButton>("?GUMBNASTAVITVE")->click();
  EXPECT_EQ(window_->settings_window(), s);  // one settings window at a time

  s->findChild<QCheckBox*>("?GLO:DSVIMENURACUNA")->click();
  EXPECT_TRUE(Control<QCheckBox>("?GLO:DSVIMENURACUNA")->isChecked());
  s->findChild<QCheckBox*>("?GLO:ODDAJAUJP")->click();
  EXPECT_EQ(settings_.ODDAJAUJP, 1);
  EXPECT_EQ(settings_.KATERABANKA, 'O');  // the channel is not derived again
  EXPECT_EQ(Control<QLineEdit>("?LOC:STEVILORACUNOV")->text(), "2");

  // The main window is usable meanwhile.
  Control<QPushButton>("?OKBUTTON")->click();
  EXPECT_EQ(invoices_.size(), 2u);
  window_->close();
  QTest::qWait(0);
  EXPECT_EQ(window_->settings_window(), nullptr);
}

TEST_F(MainWindowTest, InvisibleModeRunsAndClosesByItself) {
  AddInvoices({"A1", "A2"});
  settings_.SKRITINACIN = 1;
  Open();
  QSignalSpy closed(window_.get(), &MainWindow::closed);
  EXPECT_EQ(State(), RunState::kReady);  // the press is queued, not made yet
  QTRY_COMPARE(State(), RunState::kClosed);
  EXPECT_EQ(invoices_.size(), 2u);
  EXPECT_EQ(closed.count(), 1);
  EXPECT_TRUE(fake_.messages.shown().empty());
}

TEST_F(MainWindowTest, InvisibleModeWaitsWhileAMessageBoxIsOpen) {
  AddInvoices({"A1"});
  settings_.SKRITINACIN = 1;
  Open();
  QMessageBox box(QMessageBox::Information, "INFORMACIJA", "open", QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  box.show();
  QTest::qWait(300);
  EXPECT_EQ(State(), RunState::kReady);
  EXPECT_TRUE(invoices_.empty());
  box.close();
  QTRY_COMPARE(State(), RunState::kClosed);
  EXPECT_EQ(invoices_.size(), 1u);
}

TEST_F(MainWindowTest, InvisibleModeStaysOpenWhenTheOpeningChecksFailed) {
  settings_.SKRITINACIN = 1;
  Open();
  QTest::qWait(200);
  EXPECT_EQ(State(), RunState::kBlocked);
  EXPECT_TRUE(window_->isVisible());
  EXPECT_EQ(window_->run().window().queued_enter, 0);
  Control<QPushButton>("?CANCEL")->click();
  EXPECT_EQ(State(), RunState::kClosed);
}

TEST_F(MainWindowTest, WindowProcedureReadsTheSettingsAndReturnsOnceClosed) {
  AddInvoices({"A1"});
  files_ = data_.Open(settings_, errors_);
  int reads = 0;
  auto read = [&](settings::Settings& s) {
    ++reads;
    s.POTDOXMLRACUNOV = out_.path();
    s.SKRITINACIN = 1;
  };
  int code = IzdelavaXMLRacunOvoj(
      {settings_, *files_, fake_.platform, errors_, read, data_.driver(), pickers_, writers_});
  EXPECT_EQ(code, 0);
  EXPECT_EQ(reads, 1);
  EXPECT_EQ(invoices_.size(), 1u);
  EXPECT_FALSE(files_->opened());
}

TEST_F(MainWindowTest, WindowProcedureReadsAndOpensBeforeTheWindowIsShown) {
  AddInvoices({"A1"});
  files_ = data_.Open(settings_, errors_);
  files_->CloseAll();  // for the window to open
  bool window_shown = true;
  auto read = [&](settings::Settings& s) {
    window_shown = false;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<MainWindow*>(w) && w->isVisible()) window_shown = true;
    s.POTDOXMLRACUNOV = out_.path();
    s.SKRITINACIN = 1;
  };
  bool opened_before_shown = false;
  QTimer spy;  // the first moment the window is visible, the work files are open
  QObject::connect(&spy, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<MainWindow*>(w) && w->isVisible() && !opened_before_shown) {
        opened_before_shown = files_->opened();
        spy.stop();
      }
  });
  spy.start(0);
  IzdelavaXMLRacunOvoj(
      {settings_, *files_, fake_.platform, errors_, read, data_.driver(), pickers_, writers_});
  EXPECT_FALSE(window_shown);
  EXPECT_TRUE(opened_before_shown);
}

// Invisible mode answers the program that started it as eracuni-batch does.
TEST_F(MainWindowTest, InvisibleModeExitCodeFollowsTheHeadlessRunner) {
  auto run = [&] {
    files_ = data_.Open(settings_, errors_);
    auto read = [&](settings::Settings& s) {
      s.POTDOXMLRACUNOV = out_.path();
      s.SKRITINACIN = 1;
    };
    QTimer closer;  // the user closes a window that could not run
    QObject::connect(&closer, &QTimer::timeout, [] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* m = qobject_cast<MainWindow*>(w); m && m->run().window().state == RunState::kBlocked)
          m->close();
    });
    closer.start(10);
    return IzdelavaXMLRacunOvoj(
        {settings_, *files_, fake_.platform, errors_, read, data_.driver(), pickers_, writers_});
  };
  EXPECT_EQ(run(), 2);  // no invoices: not run

  AddInvoices({"A1", "A2"});
  auto write = writers_.invoice;
  writers_.invoice = [write](settings::Settings& s, workdata::WorkFiles& f, FileSystem& fs,
                             std::string_view name) {
    return name == "A2.XML" ? Status::IoError("disk full", 28) : write(s, f, fs, name);
  };
  EXPECT_EQ(run(), 1);  // done, with a message
}

}  // namespace
}  // namespace eracuni::batch
