#include "batch/window/main_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "framework/pictures/pictures.h"
#include "batch/headless.h"
#include "batch/names.h"
#include "settings/window/qt_text.h"

namespace eracuni::batch {
namespace {

using qt::FromQt;
using qt::ToQt;

constexpr const char* kTitle =
    "XML 1.6  eRA\xC8UNi       MIRVAL d.o.o.                ver. 1.8     17.12. 2018";
constexpr const char* kFont = "Verdana";
constexpr int kFontPoints = 8;
// Delay before a queued press that found a modal box open looks again.
constexpr int kQueuedKeyRetryMs = 50;

const QEvent::Type kQueuedEnterEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

QFrame* Line(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

QLabel* Picture(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setPixmap(pictures::Pixmap(name));
  return label;
}

void SetTip(QWidget* w, const char* tip) { w->setToolTip(ToQt(tip)); }

// Shows `text` unless the entry already shows it, so the cursor stays where the user left it.
// An entry named after its variable, holding at most `capacity` windows-1250 characters, that
// writes what the user types into `variable` at once (when one is given).
QLineEdit* BoundEntry(QWidget* parent, const char* name, int capacity, std::string* variable) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setMaxLength(capacity);
  e->setValidator(new qt::Cp1250Validator(e));
  if (variable)
    QObject::connect(e, &QLineEdit::textEdited, parent,
                     [variable](const QString& text) { *variable = FromQt(text); });
  return e;
}

void Show(QLineEdit* entry, const QString& text) {
  if (entry->text() != text) entry->setText(text);
}

}  // namespace

// The platform's program runner, telling the window which program runs before it starts.
class MainWindow::ProgressRunner : public ProgramRunner {
 public:
  ProgressRunner(ProgramRunner& base, std::function<void(const std::string&)> show)
      : base_(base), show_(std::move(show)) {}
  std::string FindProgram(const std::string& name) override { return base_.FindProgram(name); }
  Result<int> Run(const std::string& program, const std::vector<std::string>& args) override {
    show_("Zagon programa " + FromQt(QString::fromStdString(std::string(FileNamePart(program)))) +
          " ...");
    return base_.Run(program, args);
  }

 private:
  ProgramRunner& base_;
  std::function<void(const std::string&)> show_;
};

struct MainWindow::Controls {
  QLineEdit* od_racuna = nullptr;
  QLineEdit* do_racuna = nullptr;
  QLineEdit* stevilo = nullptr;
  QPushButton* nastavitve = nullptr;
  QLabel* naslovnica = nullptr;
  QLabel* naslovnica_brez_zip = nullptr;
  QLineEdit* banka = nullptr;
  QLineEdit* swift = nullptr;
  QLineEdit* mesto = nullptr;
  QWidget* output_info = nullptr;  // the pictures and texts about envelope and PDF
  QGroupBox* channel = nullptr;
  QButtonGroup* channels = nullptr;
  std::vector<QRadioButton*> channel_radios;
  QPushButton* ok = nullptr;
  QPushButton* cancel = nullptr;
  QPushButton* report = nullptr;
  QLineEdit* izhod = nullptr;
  QLabel* result_prompt = nullptr;
  QLabel* progress = nullptr;
  QCheckBox* ds_v_imenu = nullptr;
};

MainWindow::MainWindow(MainWindowContext context, QWidget* parent)
    : QDialog(parent),
      ctx_(std::move(context)),
      runner_(std::make_unique<ProgressRunner>(
          ctx_.platform.programs, [this](const std::string& text) { ShowProgress(text); })),
      platform_{ctx_.platform.messages, ctx_.platform.clock, ctx_.platform.files, *runner_,
                ctx_.platform.random},
      controls_(std::make_unique<Controls>()) {
  run_ = std::make_unique<BatchRun>(BatchContext{ctx_.settings, ctx_.files, platform_, ctx_.errors,
                                                 ctx_.read_settings, WithProgress(ctx_.writers),
                                                 ctx_.recorder});
  setObjectName("IzdelavaXMLRacunOvoj");
  setWindowTitle(ToQt(kTitle));
  setFont(QFont(kFont, kFontPoints));
  setSizeGripEnabled(true);
  Build();
  Sync();
}

MainWindow::~MainWindow() {
  delete settings_window_;
  delete report_window_;
  run_->PressCancel();
}

void MainWindow::Build() {
  auto* columns = new QHBoxLayout(this);
  auto* data = new QVBoxLayout;
  auto* channel = new QVBoxLayout;
  columns->addLayout(data, 1);
  columns->addSpacing(8);
  columns->addLayout(channel);
  BuildData(data);
  BuildChannel(channel);

  Controls& c = *controls_;
  std::vector<QWidget*> order = {c.od_racuna, c.do_racuna, c.stevilo, c.nastavitve,
                                 c.banka,     c.swift,     c.mesto};
  order.insert(order.end(), c.channel_radios.begin(), c.channel_radios.end());
  for (QWidget* w : {static_cast<QWidget*>(c.ok), static_cast<QWidget*>(c.cancel),
                     static_cast<QWidget*>(c.report), static_cast<QWidget*>(c.izhod),
                     static_cast<QWidget*>(c.ds_v_imenu)})
    order.push_back(w);
  for (size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void MainWindow::BuildData(QVBoxLayout* column) {
  Controls& c = *controls_;
  WindowState& w = run_->window();

  auto* head = new QHBoxLayout;
  auto* title = new QLabel(ToQt("PODATKI O RA\xC8UNIH"), this);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  head->addWidget(title, 1, Qt::AlignBottom);
  c.nastavitve = new QPushButton(this);
  c.nastavitve->setObjectName("?GUMBNASTAVITVE");
  c.nastavitve->setIcon(pictures::Icon("Nastavi.png"));
  c.nastavitve->setIconSize(QSize(32, 32));
  c.nastavitve->setAutoDefault(false);
  SetTip(c.nastavitve, "Nastavitve vhodnih in izhodnih podatkov ...");
  connect(c.nastavitve, &QPushButton::clicked, this, &MainWindow::OpenSettings);
  head->addWidget(c.nastavitve);
  column->addLayout(head);
  column->addWidget(Line(this));

  auto* numbers = new QGridLayout;
  auto entry = [&](int row, const char* prompt, const char* name, int capacity, const char* tip,
                   std::string* variable) {
    numbers->addWidget(new QLabel(ToQt(prompt), this), row, 0);
    QLineEdit* e = BoundEntry(this, name, capacity, variable);
    if (tip) SetTip(e, tip);
    numbers->addWidget(e, row, 1);
    return e;
  };
  c.od_racuna =
      entry(0,
            "Za\xE8"
            "etna \x9Atevilka :",
            "?LOC:ODRACUNA", 34, "Prva \x9Atevilka ra\xE8una v izdelavi eRa\xE8unov", &w.ODRACUNA);
  c.do_racuna = entry(1, "Kon\xE8na \x9Atevilka :", "?LOC:DORACUNA", 34,
                      "Zadnja \x9Atevilka ra\xE8una v izdelavi eRa\xE8unov", &w.DORACUNA);
  c.stevilo = entry(2, "\x8Atevilo :", "?LOC:STEVILORACUNOV", 6, nullptr, nullptr);
  c.stevilo->setValidator(
      new QRegularExpressionValidator(QRegularExpression("[0-9]{0,6}"), c.stevilo));
  c.stevilo->setMaximumWidth(c.stevilo->fontMetrics().horizontalAdvance("0000000") + 12);
  connect(c.stevilo, &QLineEdit::textEdited, this,
          [&w](const QString& text) { w.STEVILORACUNOV = text.toInt(); });
  numbers->setColumnStretch(1, 1);

  c.naslovnica = Picture(kPackagePicture, this);
  c.naslovnica->setObjectName("?NASLOVNICA");
  c.naslovnica_brez_zip = Picture(kNoPackagePicture, this);
  c.naslovnica_brez_zip->setObjectName("?NASLOVNICA:2");
  auto* pictures = new QVBoxLayout;
  pictures->addWidget(c.naslovnica);
  pictures->addWidget(c.naslovnica_brez_zip);
  pictures->addStretch(1);
  auto* top = new QHBoxLayout;
  top->addLayout(numbers, 1);
  top->addSpacing(8);
  top->addLayout(pictures);
  column->addLayout(top);

  column->addWidget(new QLabel(ToQt("Podatki ra\xE8unov so pripravljeni za banko:"), this));
  c.banka = BoundEntry(this, "?LOC:IZBRANABANKA", 40, &w.IZBRANABANKA);
  c.banka->setMinimumWidth(c.banka->fontMetrics().averageCharWidth() * 42);
  SetTip(c.banka, "Naziv banke, za katero so bili prirpavljeni ra\xE8uni");
  column->addWidget(c.banka);
  auto* bic = new QHBoxLayout;
  bic->addWidget(new QLabel(ToQt("BIC oznaka banke:"), this));
  c.swift = BoundEntry(this, "?LOC:IZBRANISWIFT", 20, &w.IZBRANISWIFT);
  SetTip(c.swift, "Swift izbrane banke");
  bic->addWidget(c.swift, 1);
  column->addLayout(bic);
  column->addWidget(Line(this));

  c.output_info = new QWidget(this);
  c.output_info->setObjectName("output_info");
  auto* info = new QGridLayout(c.output_info);
  info->setContentsMargins(0, 0, 0, 0);
  info->addWidget(Picture("Ovojnica.png", c.output_info), 0, 0);
  info->addWidget(new QLabel(ToQt("  e-Ra\xE8un(i) eSLOG 1.6  v ovojnici"), c.output_info), 0, 1);
  info->addWidget(Picture("PdfRacun.PNG", c.output_info), 1, 0);
  info->addWidget(new QLabel(ToQt(" e-Ra\xE8un s prilogo v  PDF obliki"), c.output_info), 1, 1);
  info->setColumnStretch(1, 1);
  column->addWidget(c.output_info);

  c.result_prompt = new QLabel(ToQt(kResultPrompt), this);
  c.result_prompt->setObjectName("?PROMPTMESTOIME");
  column->addWidget(c.result_prompt);
  c.mesto = BoundEntry(this, "?LOC:MESTO2", 255, &w.MESTO2);
  column->addWidget(c.mesto);
  c.izhod = BoundEntry(this, "?LOC:IZHOD2", 255, &w.IZHOD2);
  column->addWidget(c.izhod);

  c.progress = new QLabel(this);
  c.progress->setObjectName("progress");
  c.progress->setTextFormat(Qt::PlainText);
  c.progress->setMinimumHeight(c.progress->fontMetrics().height());
  column->addWidget(c.progress);
  column->addStretch(1);
  column->addWidget(Line(this));

  c.ds_v_imenu =
      new QCheckBox(ToQt(" Dav\xE8na \x9Atevilka kupca v imenu datoteke .XML ra\xE8una "), this);
  c.ds_v_imenu->setObjectName("?GLO:DSVIMENURACUNA");
  SetTip(c.ds_v_imenu,
         "Ali je tudi dav\xE8na \x9Atevilka sestavni del imena XML datoteke ra\xE8una");
  connect(c.ds_v_imenu, &QCheckBox::toggled, this, [this](bool on) {
    if (!syncing_) ctx_.settings.DSVIMENURACUNA = on ? 1 : 0;
  });
  column->addWidget(c.ds_v_imenu);
  column->addWidget(Line(this));
}

void MainWindow::BuildChannel(QVBoxLayout* column) {
  Controls& c = *controls_;
  c.channel = new QGroupBox(ToQt("  eRa\xE8uni bodo oddani preko"), this);
  c.channel->setObjectName("?GLO:KATERABANKA");
  SetTip(c.channel,
         "Preko katere banke bodo pla\xE8"
         "ani ra\xE8uni O = ostale K = Banka Koper");
  auto* radios = new QVBoxLayout(c.channel);
  c.channels = new QButtonGroup(c.channel);
  int n = 0;
  for (const ChannelRadio& r : kChannelRadios) {
    auto* radio = new QRadioButton(ToQt(r.text), c.channel);
    radio->setObjectName(QStringLiteral("?GLO:KATERABANKA:RADIO%1").arg(++n));
    c.channels->addButton(radio);
    radios->addWidget(radio);
    c.channel_radios.push_back(radio);
    char code = r.code;
    connect(radio, &QRadioButton::toggled, this, [this, code](bool on) {
      if (on && !syncing_) ctx_.settings.KATERABANKA = code;
    });
  }
  column->addWidget(c.channel);
  column->addStretch(1);

  c.ok = new QPushButton(this);
  c.ok->setObjectName("?OKBUTTON");
  SetTip(c.ok, "Accept operation");
  c.ok->installEventFilter(this);
  c.cancel = new QPushButton(this);
  c.cancel->setObjectName("?CANCEL");
  SetTip(c.cancel, "Cancel Operation");
  c.report = new QPushButton(ToQt(kReportText), this);
  c.report->setObjectName("report");
  for (QPushButton* b : {c.ok, c.cancel, c.report}) {
    b->setAutoDefault(false);
    b->setIconSize(QSize(24, 24));
    b->setMinimumHeight(32);
    column->addWidget(b);
  }
  connect(c.ok, &QPushButton::clicked, this, &MainWindow::Make);
  connect(c.cancel, &QPushButton::clicked, this, &QWidget::close);
  connect(c.report, &QPushButton::clicked, this, &MainWindow::ShowReport);
}

DocumentWriters MainWindow::WithProgress(DocumentWriters writers) {
  auto announce = [this](std::string_view name) {
    ++invoices_started_;
    ShowProgress("Izdelava e-ra\xE8una " + std::to_string(invoices_started_) + " od " +
                 std::to_string(run_->window().STEVILORACUNOV) + ": " + std::string(name));
  };
  auto invoice = std::move(writers.invoice);
  writers.invoice = [announce, invoice](settings::Settings& s, workdata::WorkFiles& f,
                                        FileSystem& fs, std::string_view name) {
    announce(name);
    return invoice(s, f, fs, name);
  };
  auto invoice20 = std::move(writers.invoice20);
  writers.invoice20 = [announce, invoice20](settings::Settings& s, workdata::WorkFiles& f,
                                            FileSystem& fs, std::string_view name) {
    announce(name);
    return invoice20(s, f, fs, name);
  };
  for (auto* envelope : {&writers.plain_envelope, &writers.payment_envelope}) {
    auto write = std::move(*envelope);
    *envelope = [this, write](settings::Settings& s, workdata::WorkFiles& f, Platform& p,
                              const std::string& path, const envelope::WrittenDocuments* written) {
      ShowProgress("Izdelava ovojnice ...");
      return write(s, f, p, path, written);
    };
  }
  return writers;
}

void MainWindow::ShowProgress(const std::string& cp1250) {
  controls_->progress->setText(ToQt(cp1250));
  // Repaint and answer the window system, but take no input while the run goes on.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MainWindow::Sync() {
  syncing_ = true;
  Controls& c = *controls_;
  const WindowState& w = run_->window();
  Show(c.od_racuna, ToQt(w.ODRACUNA));
  Show(c.do_racuna, ToQt(w.DORACUNA));
  Show(c.stevilo, QString::number(w.STEVILORACUNOV));
  Show(c.banka, ToQt(w.IZBRANABANKA));
  Show(c.swift, ToQt(w.IZBRANISWIFT));
  Show(c.mesto, ToQt(w.MESTO2));
  Show(c.izhod, ToQt(w.IZHOD2));
  for (auto [button, view] : {std::pair{c.ok, &w.ok_button}, std::pair{c.cancel, &w.cancel}}) {
    button->setText(ToQt(view->text));
    button->setIcon(pictures::Icon(view->picture));
    button->setVisible(view->visible);
  }
  c.ok->setDefault(w.default_button == Control::kOkButton);
  c.cancel->setDefault(w.default_button == Control::kCancel);
  c.report->setVisible(w.report_visible);
  c.naslovnica->setVisible(w.package_picture_visible);
  c.naslovnica_brez_zip->setVisible(w.no_package_picture_visible);
  c.result_prompt->setVisible(w.result_visible);
  c.mesto->setVisible(w.result_visible);
  c.izhod->setVisible(w.result_visible);
  c.output_info->setVisible(w.output_info_visible);
  syncing_ = false;
  SyncSettings();
  ApplyFocus();
  if (!w.font.empty() && !font_applied_) {
    // Windows and message boxes opened from now on; this window keeps its own font.
    font_applied_ = true;
    QFont font = QApplication::font();
    font.setFamily(ToQt(w.font));
    QApplication::setFont(font);
  }
}

void MainWindow::SyncSettings() {
  syncing_ = true;
  Controls& c = *controls_;
  c.channels->setExclusive(false);
  for (size_t i = 0; i < std::size(kChannelRadios); ++i)
    c.channel_radios[i]->setChecked(kChannelRadios[i].code == ctx_.settings.KATERABANKA);
  c.channels->setExclusive(true);
  c.ds_v_imenu->setChecked(ctx_.settings.DSVIMENURACUNA != 0);
  syncing_ = false;
}

void MainWindow::ApplyFocus() {
  const WindowState& w = run_->window();
  if (w.focus == focus_applied_) return;
  focus_applied_ = w.focus;
  QWidget* target = w.focus == Control::kOkButton         ? controls_->ok
                    : w.focus == Control::kCancel         ? controls_->cancel
                    : w.focus == Control::kGumbNastavitve ? controls_->nastavitve
                                                          : nullptr;
  if (target == nullptr || !target->isVisible()) return;
  // The run has already done what this focus change means (the make button's folder check).
  syncing_ = true;
  target->setFocus(Qt::OtherFocusReason);
  syncing_ = false;
}

void MainWindow::Prepare() {
  run_->Prepare();
  Sync();  // the settings just read
}

void MainWindow::Open() {
  run_->Open();
  invisible_ = ctx_.settings.SKRITINACIN != 0;
  Sync();
  PostQueuedKeys();
}

int MainWindow::ExitCode() const {
  if (!invisible_) return kExitDone;
  // The journal holds every message shown from the opening to the end of the run.
  return HeadlessExitCode(completed_, static_cast<int>(run_->window().journal.messages.size()));
}

void MainWindow::Make() {
  if (running_) return;
  running_ = true;
  invoices_started_ = 0;
  bool was_ready = run_->window().state == RunState::kReady;
  run_->PressMake();
  running_ = false;
  completed_ = completed_ || run_->window().state == RunState::kDone;
  if (was_ready && run_->window().state == RunState::kDone)
    ShowProgress("\x8Atevilo izdelanih e-ra\xE8unov: " + std::to_string(run_->window().STEVEC));
  Sync();
  PostQueuedKeys();
}

void MainWindow::OpenSettings() {
  if (settings_window_) {
    settings_window_->raise();
    settings_window_->activateWindow();
    return;
  }
  settings_window_ = new settings::NastavitvePrograma(
      {ctx_.settings, ctx_.platform, ctx_.errors, ctx_.driver, ctx_.pickers}, this);
  // Its changes are in force at once; the counters and the channel are not recomputed.
  connect(settings_window_, &settings::NastavitvePrograma::changed, this,
          &MainWindow::SyncSettings);
  settings_window_->show();
}

void MainWindow::ShowReport() {
  if (report_window_) {
    report_window_->raise();
    report_window_->activateWindow();
    return;
  }
  Result<std::string> page = run_->PressReport();
  if (!page.ok()) return;  // the run has told why
  std::string name(FileNamePart(run_->window().journal.report_path));
  report_window_ = new RunReportWindow("Poro\xE8ilo o izdelavi \x96 " + name, *page, this);
  report_window_->setAttribute(Qt::WA_DeleteOnClose);
  report_window_->show();
}

void MainWindow::PostQueuedKeys() {
  while (posted_enters_ < run_->window().queued_enter) {
    ++posted_enters_;
    QCoreApplication::postEvent(this, new QEvent(kQueuedEnterEvent));
  }
}

void MainWindow::PressQueuedEnter() {
  --posted_enters_;
  WindowState& w = run_->window();
  if (w.queued_enter <= 0 || w.state == RunState::kClosed) return;
  if (running_ || QApplication::activeModalWidget() != nullptr) {
    // A key press waits in the queue behind the open box.
    QTimer::singleShot(kQueuedKeyRetryMs, this, &MainWindow::PostQueuedKeys);
    return;
  }
  --w.queued_enter;
  if (w.default_button == Control::kOkButton) Make();
  if (w.default_button == Control::kCancel) close();
  PostQueuedKeys();
}

bool MainWindow::event(QEvent* e) {
  if (e->type() == kQueuedEnterEvent) {
    PressQueuedEnter();
    return true;
  }
  return QDialog::event(e);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
  // Whatever brought the focus (a key, the mouse, the window's activation), the checks run;
  // not again while their own message box gives the focus back.
  if (watched == controls_->ok && e->type() == QEvent::FocusIn && !syncing_ && !running_ &&
      !checking_) {
    focus_applied_ = Control::kOkButton;
    checking_ = true;
    run_->FocusMakeButton();
    checking_ = false;
    Sync();
  }
  return QDialog::eventFilter(watched, e);
}

void MainWindow::closeEvent(QCloseEvent* e) {
  if (running_) {
    e->ignore();  // the run finishes first; the close button is there afterwards
    return;
  }
  if (settings_window_) settings_window_->close();
  if (report_window_) report_window_->close();
  bool was_open = run_->window().state != RunState::kClosed;
  run_->PressCancel();
  e->accept();
  if (was_open) emit closed();
}

void MainWindow::reject() { close(); }

int IzdelavaXMLRacunOvoj(MainWindowContext context) {
  MainWindow window(std::move(context));
  QEventLoop loop;
  QObject::connect(&window, &MainWindow::closed, &loop, &QEventLoop::quit);
  window.Prepare();
  window.show();
  QTimer::singleShot(0, &window, &MainWindow::Open);
  loop.exec();
  return window.ExitCode();
}

}  // namespace eracuni::batch
