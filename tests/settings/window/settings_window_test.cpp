#include "settings/window/settings_window.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "framework/cp1250.h"
#include "framework/testing/fakes.h"
#include "qt_application.h"
#include "settings/ini_settings.h"
#include "settings/window/qt_message_box.h"
#include "workdata/testing/memory_table_driver.h"

namespace eracuni::settings {
namespace {

using eracuni::testing::ReadFileOrEmpty;
using eracuni::testing::TempDir;

// Answers the pickers from a script and records how they were asked; like a real dialog it
// may leave the process in another directory.
class ScriptedPickers : public qt::Pickers {
 public:
  struct Ask {
    QString title;
    std::string initial;
    QString filter;
  };
  std::optional<std::string> ChooseFolder(QWidget*, const QString& title,
                                          const std::string& initial) override {
    return Answer({title, initial, {}});
  }
  std::optional<std::string> ChooseFile(QWidget*, const QString& title, const std::string& initial,
                                        const QString& filter) override {
    return Answer({title, initial, filter});
  }
  std::optional<std::string> answer;
  std::string wander_to;  // the directory the "dialog" changes to
  std::vector<Ask> asked;

 private:
  std::optional<std::string> Answer(Ask ask) {
    asked.push_back(std::move(ask));
    if (!wander_to.empty()) {
      EXPECT_EQ(chdir(wander_to.c_str()), 0);
    }
    return answer;
  }
};

// Types each character as a key press of its own (QTest only types ASCII).
void Type(QWidget* w, const QString& text) {
  for (QChar ch : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(w, &press);
  }
}

class SettingsWindowTest : public ::testing::Test {
 protected:
  SettingsWindowTest() : errors_(fake_.messages, terminator_) {
    eracuni::testing::QtApplication();
    errors_.Init();
    settings_.INIDATOTEKA = dir_.File("RUZeZUD.INI");
    settings_.POTDOERACUNOV = "/old/";
    settings_.POTDO7ZG = "7za.EXE";
    cwd_ = fake_.files.CurrentDirectory();
  }
  ~SettingsWindowTest() override {
    delete window_;
    (void)fake_.files.SetCurrentDirectory(cwd_);
  }

  NastavitvePrograma& Open() {
    window_ = new NastavitvePrograma({settings_, fake_.platform, errors_, driver_, pickers_});
    window_->show();
    return *window_;
  }
  template <typename T>
  T* Control(const char* name) {
    T* w = window_->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  std::string IniFile() { return ReadFileOrEmpty(settings_.INIDATOTEKA); }

  eracuni::testing::FakePlatform fake_;
  ::eracuni::testing::RecordingTerminator terminator_;
  ErrorManager errors_;
  Settings settings_;
  workdata::testing::MemoryTableDriver driver_;
  ScriptedPickers pickers_;
  TempDir dir_;
  std::string cwd_;
  QPointer<NastavitvePrograma> window_;
};

TEST_F(SettingsWindowTest, ShowsTheVariablesAndStartsWithNoPackagingChoice) {
  settings_.SKRITINACIN = 2;    // in force: any value but 0
  settings_.OBDOBJERACUNA = 2;  // in force only at exactly 1
  settings_.PREDPONASI = 1;
  Open();
  EXPECT_EQ(window_->windowTitle(), " NASTAVITVE PROGRAMA");
  EXPECT_EQ(Control<QLineEdit>("?GLO:POTDOERACUNOV")->text(), "/old/");
  EXPECT_EQ(Control<QLineEdit>("?GLO:POTDO7ZG")->maxLength(), 255);
  EXPECT_TRUE(Control<QCheckBox>("?GLO:SKRITINACIN")->isChecked());
  EXPECT_FALSE(Control<QCheckBox>("?GLO:OBDOBJERACUNA")->isChecked());
  EXPECT_TRUE(Control<QCheckBox>("?GLO:PREDPONASI")->isChecked());
  EXPECT_FALSE(Control<QCheckBox>("?GLO:STSERVIS")->isChecked());
  EXPECT_FALSE(Control<QRadioButton>("?GLO:ENRACENZIP:RADIO1")->isChecked());
  EXPECT_FALSE(Control<QRadioButton>("?GLO:ENRACENZIP:RADIO2")->isChecked());
  QCheckBox* hidden = Control<QCheckBox>("?GLO:SKRITINACIN");
  EXPECT_EQ(hidden->toolTip(), hidden->statusTip());
  QPushButton* ok = Control<QPushButton>("?OK");
  EXPECT_EQ(ok->text(), "&SHRANI");
  EXPECT_EQ(ok->statusTip(), "Accept operation");
  EXPECT_EQ(ok->toolTip(), "Potrdi");
  EXPECT_EQ(Control<QPushButton>("?CANCEL")->text(), QString::fromUtf8("&PREKLIČI"));
}

TEST_F(SettingsWindowTest, ControlsChangeTheirVariablesAtOnce) {
  int changes = 0;
  Open();
  QObject::connect(window_, &NastavitvePrograma::changed, [&] { ++changes; });
  Control<QCheckBox>("?GLO:ODDAJAUJP")->click();
  EXPECT_EQ(settings_.ODDAJAUJP, 1);
  Control<QCheckBox>("?GLO:ODDAJAUJP")->click();
  EXPECT_EQ(settings_.ODDAJAUJP, 0);
  Control<QCheckBox>("?GLO:66V203")->click();
  EXPECT_EQ(settings_.KODA66V203, 1);
  Control<QRadioButton>("?GLO:ENRACENZIP:RADIO2")->click();
  EXPECT_EQ(settings_.ENRACENZIP, 'V');
  QLineEdit* out = Control<QLineEdit>("?GLO:POTDOXMLRACUNOV");
  Type(out, QString::fromUtf8("/izhod/čšž/"));
  EXPECT_EQ(settings_.POTDOXMLRACUNOV, "/izhod/\xE8\x9A\x9E/");
  // A character windows-1250 cannot hold is refused as it is typed.
  Type(out, QString::fromUtf8("€字"));
  EXPECT_EQ(settings_.POTDOXMLRACUNOV, "/izhod/\xE8\x9A\x9E/\x80");
  EXPECT_GE(changes, 5);
  EXPECT_EQ(IniFile(), "");
}

TEST_F(SettingsWindowTest, CancelKeepsChangesInMemoryButNotInTheFile) {
  Open();
  Control<QCheckBox>("?GLO:SKRITINACIN")->click();
  Control<QPushButton>("?CANCEL")->click();
  EXPECT_TRUE(window_ == nullptr || !window_->isVisible());
  EXPECT_EQ(settings_.SKRITINACIN, 1);
  EXPECT_EQ(IniFile(), "");
}

TEST_F(SettingsWindowTest, SaveWritesTheFileAndCloses) {
  Open();
  Control<QCheckBox>("?GLO:SKRITINACIN")->click();
  Control<QPushButton>("?OK")->click();
  QTest::qWait(0);
  EXPECT_EQ(window_, nullptr);  // closed and deleted
  std::string ini = IniFile();
  EXPECT_NE(ini.find("SkritiNacin=1"), std::string::npos) << ini;
  EXPECT_NE(ini.find("eRACUNI=/old/eRACUNI.TPS"), std::string::npos) << ini;
}

TEST_F(SettingsWindowTest, SaveThatFailsIsReportedAndTheWindowStaysOpen) {
  settings_.INIDATOTEKA = dir_.File("missing/RUZeZUD.INI");
  Open();
  Control<QPushButton>("?OK")->click();
  ASSERT_EQ(fake_.messages.shown().size(), 1u);
  EXPECT_EQ(fake_.messages.shown()[0].caption, " OPOZORILO");
  EXPECT_NE(fake_.messages.shown()[0].text.find("|| Oznaka: "), std::string::npos);
  EXPECT_TRUE(window_->isVisible());
  Control<QPushButton>("?GUMBPOTDOERACUNOV")->click();  // the work-folder picker saves too
  ASSERT_EQ(fake_.messages.shown().size(), 2u);
  EXPECT_EQ(fake_.messages.shown()[1].text, fake_.messages.shown()[0].text);
}

TEST_F(SettingsWindowTest, WorkFolderPickerSavesAndReopensThisWindowsFilesFromTheNewFolder) {
  pickers_.answer = "/data/novi";
  pickers_.wander_to = "/";
  Open();
  Control<QCheckBox>("?GLO:STSERVIS")->click();
  Control<QPushButton>("?GUMBPOTDOERACUNOV")->click();

  EXPECT_EQ(fake_.files.CurrentDirectory(), cwd_);
  ASSERT_EQ(pickers_.asked.size(), 1u);
  EXPECT_EQ(pickers_.asked[0].title,
            QString::fromUtf8(" Izberi mapo z delovnimi datotekami e-računov"));
  EXPECT_EQ(pickers_.asked[0].initial, "/old/");
  EXPECT_EQ(settings_.POTDOERACUNOV, "/data/novi/");
  EXPECT_EQ(Control<QLineEdit>("?GLO:POTDOERACUNOV")->text(), "/data/novi/");
  EXPECT_EQ(settings_.POTERACUNI, "/data/novi/eRACUNI.TPS");
  std::string ini = IniFile();
  for (const char* line : {"eRACUNI=/data/novi/eRACUNI.TPS", "eRACUNIP=/data/novi/eRACUNIP.TPS",
                           "eRACPRIL=/data/novi/eRACPRIL.TPS", "StudentskiServis=1"})
    EXPECT_NE(ini.find(line), std::string::npos) << line << "\n" << ini;
  EXPECT_TRUE(window_->work_files().opened());
  EXPECT_GE(driver_.opens("/data/novi/eRACUNI.TPS"), 1);
  EXPECT_TRUE(window_->focusWidget() == nullptr ||
              window_->focusWidget()->objectName() == "?GLO:POTDOXMLRACUNOV");
}

TEST_F(SettingsWindowTest, CancelledWorkFolderPickerStillSavesEverything) {
  Open();
  Control<QCheckBox>("?GLO:VIZUALIZACIJA")->click();
  Control<QPushButton>("?GUMBPOTDOERACUNOV")->click();
  EXPECT_EQ(settings_.POTDOERACUNOV, "/old/");
  std::string ini = IniFile();
  EXPECT_NE(ini.find("eRACUNI=/old/eRACUNI.TPS"), std::string::npos) << ini;
  EXPECT_NE(ini.find("=1"), std::string::npos) << ini;
  EXPECT_GE(driver_.opens("/old/eRACUNI.TPS"), 1);
  window_->close();
  EXPECT_EQ(driver_.tables_open(), 0);
}

TEST_F(SettingsWindowTest, OtherPickersStoreTheirChoiceOnly) {
  pickers_.answer = "/usr/bin/7za";
  Open();
  Control<QPushButton>("?GUMBPOTDO7GK")->click();
  ASSERT_EQ(pickers_.asked.size(), 1u);
  EXPECT_EQ(pickers_.asked[0].filter, "Programske datoteke|7z*.exe");
  EXPECT_EQ(settings_.POTDO7ZG, "/usr/bin/7za");
  EXPECT_EQ(qt::QtNameFilter("Programske datoteke|7z*.exe"), "Programske datoteke (7z*.exe)");

  pickers_.answer = "/izhod";
  Control<QPushButton>("?GUMBPOTDOXMLRACUNOV")->click();
  EXPECT_EQ(settings_.POTDOXMLRACUNOV, "/izhod/");
  EXPECT_EQ(IniFile(), "");  // only the work-data folder picker saves
  EXPECT_EQ(driver_.open_calls().size(), 0u);
}

TEST_F(SettingsWindowTest, PickedPathThatCannotBeStoredLeavesTheVariable) {
  pickers_.answer = "/mapa/字";
  Open();
  Control<QPushButton>("?GUMBPOTDOXMLRACUNOV")->click();
  pickers_.answer = "/" + std::string(300, 'a');
  Control<QPushButton>("?GUMBPOTDOXMLRACUNOV")->click();
  EXPECT_EQ(settings_.POTDOXMLRACUNOV, "");
  ASSERT_EQ(fake_.messages.shown().size(), 2u);
  EXPECT_EQ(fake_.messages.shown()[0].icon, MessageIcon::kExclamation);
}

TEST_F(SettingsWindowTest, InfoButtonsExplainTheirSwitch) {
  Open();
  const char* names[] = {"?GUMBINFOPREDPONA",      "?GUMBINFOPRILOGE",  "?GUMBINFOPODPIS",
                         "?GUMBINFOUJP",           "?GUMBINFOBRISANJE", "?GUMBINFOSKRITINACIN",
                         "?GUMBINFOVIZUALIZACIJA", "?GUMBKODA66ALI203", "?GUMBKODA66ALI203:2"};
  for (const char* name : names) Control<QToolButton>(name)->click();
  const auto& shown = fake_.messages.shown();
  ASSERT_EQ(shown.size(), 9u);
  for (const MessageRequest& m : shown) {
    EXPECT_EQ(m.icon, MessageIcon::kInformation);
    EXPECT_EQ(m.button_text, "V redu");
    EXPECT_EQ(m.buttons, MessageButtons::kOk);
  }
  EXPECT_EQ(shown[1].caption, "INFORMACIJA");
  EXPECT_EQ(shown[3].caption, " POJASNILO");
  EXPECT_EQ(shown[3].text,
            " V primeru, da e-ra\xE8une oddajate praviloma preko portala UJP, vklju\xE8ite to "
            "mo\x9Enost.");
  EXPECT_EQ(shown[8].text.substr(0, 21),
            " Opcija omogo\xE8"
            "a uvrst");
}

TEST_F(SettingsWindowTest, Eslog20SwitchStoresTheVersionAndShowsItsOwnSettings) {
  settings_.VERZIJAESLOG = " 2.0";
  settings_.DDVKATEGORIJA0 = 'x';  // acts as E
  Open();
  QCheckBox* version = Control<QCheckBox>("?GLO:VERZIJAESLOG");
  QComboBox* category = Control<QComboBox>("?GLO:DDVKATEGORIJA0");
  QLineEdit* reason = Control<QLineEdit>("?GLO:DDVOPROSTITEV0");
  EXPECT_TRUE(version->isChecked());
  EXPECT_EQ(category->currentText(), QString::fromUtf8("E - oproščeno"));
  EXPECT_TRUE(category->isVisible());

  version->click();
  EXPECT_EQ(settings_.VERZIJAESLOG, "1.6");
  EXPECT_FALSE(category->isVisible());
  EXPECT_FALSE(reason->isVisible());
  version->click();
  EXPECT_EQ(settings_.VERZIJAESLOG, "2.0");
  category->activated(3);
  EXPECT_EQ(settings_.DDVKATEGORIJA0, 'G');
  Type(reason, QString::fromUtf8("Izvoz blaga, 52. člen"));
  EXPECT_EQ(settings_.DDVOPROSTITEV0, "Izvoz blaga, 52. \xE8len");
  EXPECT_EQ(reason->maxLength(), 254);

  Control<QToolButton>("?GUMBINFOESLOG20")->click();
  ASSERT_EQ(fake_.messages.shown().size(), 1u);
  EXPECT_EQ(fake_.messages.shown()[0].caption, " POJASNILO");
  EXPECT_EQ(fake_.messages.shown()[0].text.substr(0, 25), " Od 1. 10. 2020 UJP in ba");
  Control<QPushButton>("?OK")->click();
  EXPECT_NE(IniFile().find("VerzijaESLOG=2.0\r\nDDVKategorija0=G\r\nDDVOprostitev0=Izvoz"),
            std::string::npos);
}

TEST_F(SettingsWindowTest, NamesItselfToTheErrorManagerWhileOpen) {
  errors_.AddMessage(900, Severity::kNotice, "t", "%Procedure");
  Open();
  errors_.ReportError(900);
  window_->close();
  errors_.ReportError(900);
  ASSERT_EQ(fake_.messages.shown().size(), 2u);
  EXPECT_EQ(fake_.messages.shown()[0].text, "NastavitvePrograma");
  EXPECT_EQ(fake_.messages.shown()[1].text, "");
}

// What a box showed, read from inside its own event loop.
struct SeenBox {
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QStringList buttons;
};
TEST(QtMessageBoxTest, ShowsCaptionIconLinesAndItsOneButton) {
  eracuni::testing::QtApplication();
  qt::QtMessageBox boxes;
  SeenBox seen;
  QTimer::singleShot(0, [&seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seen = {box->windowTitle(), box->text(), box->icon(), {}};
    for (QAbstractButton* b : box->buttons()) seen.buttons << b->text();
    box->buttons().front()->click();
  });
  MessageRequest r;
  r.text = " Prva <b>vrstica</b>|| tretja \x9Atevilka";
  r.caption = " OPOZORILO";
  r.icon = MessageIcon::kExclamation;
  r.button_text = "V redu";
  EXPECT_EQ(boxes.Show(r), MessageButton::kOk);
  EXPECT_EQ(seen.title, " OPOZORILO");
  EXPECT_EQ(seen.text, QString::fromUtf8(" Prva <b>vrstica</b>\n\n tretja številka"));
  EXPECT_EQ(seen.icon, QMessageBox::Warning);
  EXPECT_EQ(seen.buttons, QStringList{"V redu"});
}

TEST(QtMessageBoxTest, QuestionsAnswerYesOrNo) {
  eracuni::testing::QtApplication();
  qt::QtMessageBox boxes;
  MessageRequest r;
  r.text = "Try Again?";
  r.caption = "Auto Increment Error";
  r.icon = MessageIcon::kQuestion;
  r.buttons = MessageButtons::kYesNo;
  for (MessageButton expected : {MessageButton::kNo, MessageButton::kYes}) {
    QTimer::singleShot(0, [expected] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->buttons().size(), 2);
      box->button(expected == MessageButton::kYes ? QMessageBox::Yes : QMessageBox::No)->click();
    });
    EXPECT_EQ(boxes.Show(r), expected);
  }
}

}  // namespace
}  // namespace eracuni::settings
