#include "settings/window/settings_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <variant>
#include <vector>

#include "framework/pictures/pictures.h"
#include "framework/cp1250.h"
#include "settings/ini_settings.h"
#include "settings/window/qt_text.h"

namespace eracuni::settings {
namespace {

using qt::ToQt;

constexpr const char* kProcedureName = "NastavitvePrograma";
constexpr const char* kCaption = " NASTAVITVE PROGRAMA";
constexpr const char* kFont = "Verdana";
constexpr int kFontPoints = 8;
constexpr const char* kInfoPicture = "info.gif";
constexpr const char* kInfoButtonText = "V redu";
constexpr const char* kWarningCaption = " OPOZORILO";

using SwitchMember = std::variant<uint8_t Settings::*, uint16_t Settings::*, uint32_t Settings::*>;

struct InfoSpec {
  const char* name;
  const char* caption;
  const char* text;
};

struct SwitchSpec {
  const char* name;
  const char* text;
  SwitchMember member;
  const char* hint;
  const InfoSpec* info;  // the info button beside it, if any
  bool on_only_at_one;   // the switch is in force only at exactly 1
};

const InfoSpec kInfoPredpona = {
    "?GUMBINFOPREDPONA", " POJASNILO",
    " V nekaterih razli\xE8icah e-banke PROKLIK ali Abakom| ob uvozu ovojnice uporabnik dobi "
    "opozorilo o neskadnosti D\x8A - dav\xE8ne \x9Atevilke.|| V takem primeru "
    "vklju\xE8ite/izklju\xE8ite to nastavitev."};
const InfoSpec kInfoPriloge = {
    "?GUMBINFOPRILOGE", "INFORMACIJA",
    " V primeru, da uporabljate NLB ali Abanko za oddajanje e-ra\xE8unov, lahko | dodate v "
    "ovojnico priloge na poljubnih mestih | na ra\xE8unalniku (tudi stre\x9Eniku).| Njihove "
    "e-banke \"potegnejo\" te priloge ob uvozu ovojnice skupaj z ra\xE8unom.|| \xC8"
    "e v programu to mo\x9Enost izklju\xE8ite, morajo biti tudi dodatne priloge| v istem "
    "imeniku kot je ovojnica in e-ra\xE8un s PDF prilogo."};
const InfoSpec kInfoPodpis = {
    "?GUMBINFOPODPIS", " POJASNILO",
    "Uporabite samo v primeru, \xE8"
    "e va\x9A"
    "a e-banka (npr. Banka Koper) ne doda e-podpisa avtomati\xE8no ob uvozu ra\xE8una v "
    "e-banko. ||Imeti morate name\x9A\xE8"
    "eno komponento za e-podpisovanje ra\xE8unov !"};
const InfoSpec kInfoUjp = {
    "?GUMBINFOUJP", " POJASNILO",
    " V primeru, da e-ra\xE8une oddajate praviloma preko portala UJP, vklju\xE8ite to "
    "mo\x9Enost."};
const InfoSpec kInfoBrisanje = {
    "?GUMBINFOBRISANJE", " POJASNILO",
    " Pred izdelavo XML e-ra\xE8una nastanejo delovni podatki izbranih ra\xE8unov.| Ta modul "
    "jih uporabi kot vhodne podatke in iz njih zgradi .XML dokument.|| Z vklopom opcije "
    "\"Brisanje...\" bo modul tudi pobrisal vse delovne podatke.|| V nasprotnem primeru morate "
    "zagotoviti brisanje teh podatkov v programih, kjer nastajajo !"};
const InfoSpec kInfoSkritiNacin = {
    "?GUMBINFOSKRITINACIN", " POJASNILO",
    " Opcija omogo\xE8"
    "a izvajanje programa v \"nevidnem\" na\xE8inu brez posredovanja uporabnika ob zagonu in "
    "zaklju\xE8ku.|| Uporabljajte previdno !|| Ponoven vklop prikaza programa je mogo\xE8 samo "
    "v .INI datoteki !"};
const InfoSpec kInfoVizualizacija = {
    "?GUMBINFOVIZUALIZACIJA", " POJASNILO",
    " Opcija omogo\xE8"
    "a vklju\xE8itev vizualizacije v XML e-Ra\xE8un, ker nekateri prejemniki le-to zahtevajo, "
    "\xE8"
    "eprav po Pravilniku o standardih in pogojih izmenjave elektronskih ra\xE8unov in po "
    "tolma\xE8"
    "enju MF in UJP sploh ni obvezna sestavina e-Ra\xE8una in nikakor ne sme biti razlog za "
    "zavra\xE8"
    "anje le-tega."};
const InfoSpec kInfoKoda66 = {
    "?GUMBKODA66ALI203", " POJASNILO",
    " Opcija omogo\xE8"
    "a zamenjavo kode 66 - vrsta zneska postavke iz e-Slog 1.5  v kodo 203, ki jo za to vrsto "
    "zneska dolo\xE8"
    "a e-Slog 1.6 .|| UJP je do oktobra 2015 uporabljala \x9A"
    "e e-Slog 1.5, potem pa ne ve\xE8.| Sredi novembra so si premislili in zdaj je koda 66 "
    "ponovno obvezna. || \x8EIVELI !"};
const InfoSpec kInfoObdobje = {
    "?GUMBKODA66ALI203:2", " POJASNILO",
    " Opcija omogo\xE8"
    "a uvrstitev datuma obdobja ra\xE8una v podatke | e-Ra\xE8una, \xE8"
    "etudi podatek o obdobju ne obstaja na izvornem ra\xE8unu.|| V tem primeru se upo\x9Ateva "
    "obdobje od prvega do zadnjega dne v mesecu, v| katerem je bila opravljena storitev. "};

const InfoSpec kInfoEslog20 = {
    "?GUMBINFOESLOG20", " POJASNILO",
    " Od 1. 10. 2020 UJP in banke sprejemajo e-ra\xE8une samo v standardu e-SLOG 2.0, ki je "
    "skladen z evropskim standardom EN 16931.|| Ko je ta mo\x9Enost vklju\xE8"
    "ena, program izdela e-ra\xE8une v obliki e-SLOG 2.0, sicer v obliki e-SLOG 1.6.|| "
    "Ra\xE8un, ki ga iz delovnih podatkov ni mogo\xE8"
    "e izdelati skladno s standardom, program zavrne, izpi\x9A"
    "e razloge in ga ne vklju\xE8i v ovojnico in paket."};

// The drop-down of the VAT category for zero-rated lines: its letter and its entry.
struct CategoryEntry {
  char letter;
  const char* text;
};
const CategoryEntry kCategories[] = {
    {'E', "E - opro\x9A\xE8"
          "eno"},
    {'Z', "Z - ni\xE8"
          "elna stopnja"},
    {'K', "K - dobava v drugo dr\x9E"
          "avo EU"},
    {'G', "G - izvoz"},
    {'O', "O - ni predmet DDV"},
};

// The switches in tab order; the last three follow the packaging choice and the buttons.
const SwitchSpec kSwitches[] = {
    {"?GLO:PREDPONASI", "  Predpona SI pri D\x8A", &Settings::PREDPONASI,
     "ALi se doda pred D\x8A izdajatelja v ovojnico tudi SI ali ne ...", &kInfoPredpona, false},
    {"?GLO:DODAJLOKACIJOPRILOG", "  Dodatne priloge kjerkoli", &Settings::DODAJLOKACIJOPRILOG,
     "Ali se v ovojnici zapi\x9A"
     "e tudi pot do prilog ali ne (1/0)",
     &kInfoPriloge, false},
    {"?GLO:ROCNOEPODPISOVANJE", "  E-podpis   e-Ra\xE8una", &Settings::ROCNOEPODPISOVANJE,
     "Ali je potrebno ro\xE8no podpisati e-RA\xC8UN (Banka Koper...)", &kInfoPodpis, false},
    {"?GLO:ODDAJAUJP", "  Oddajanje e-ra\xE8unov preko UJP", &Settings::ODDAJAUJP,
     "Ali uporabnik vedno oddaja podatke e-ra\xE8unov preko UJP", &kInfoUjp, false},
    {"?GLO:BRISANJEDELOVNIH",
     "  Brisanje delovnih podatkov ra\xE8unov po kon\xE8"
     "ani izdelavi e-Ra\xE8una",
     &Settings::BRISANJEDELOVNIH,
     "Ali se po koncu obdelave delovne datoteke pobri\x9A"
     "ejo ali ne",
     &kInfoBrisanje, false},
    {"?GLO:SKRITINACIN", "  Skriti na\xE8in izvajanja", &Settings::SKRITINACIN,
     "Ali sliko programa  uporabniku skriti ali ne (1/0)", &kInfoSkritiNacin, false},
    {"?GLO:VIZUALIZACIJA", "  Vizualizacija eRa\xE8una", &Settings::VIZUALIZACIJA,
     "Ali se v XML ra\xE8un doda tudi vizualizacija (1) ali ne (0)", &kInfoVizualizacija, false},
    {"?GLO:ENAKAIMENARACUNA", " Enaka imena .XML in .PDF ra\xE8una", &Settings::ENAKAIMENARACUNA,
     "Ali je XML in PDF ra\xE8un enako poimenovan (1) ali ne (0)", nullptr, false},
    {"?GLO:66V203", "  Vrsta zneska 66  -> 203 (UJP)", &Settings::KODA66V203,
     "Sprememba kode zneska postavke - samo za UJP", &kInfoKoda66, false},
    {"?GLO:STSERVIS", "  \x8Atudentski servis", &Settings::STSERVIS,
     "Ali program uporablja \x9Atudentski servis - nekaj glede davkov 0", nullptr, false},
    {"?GLO:OBDOBJERACUNA", "  Obdobje ra\xE8una", &Settings::OBDOBJERACUNA,
     "Ali se podatek o obdobju ra\xE8una zapi\x9A"
     "e ali ne v e-ra\xE8un (ni obvezen, nekatere moti) 0/1",
     &kInfoObdobje, true},
    {"?GLO:DSVIMENURACUNA", "  D\x8A kupca v imenu datoteke eRa\xE8una", &Settings::DSVIMENURACUNA,
     "Ali je dav\xE8na \x9Atevilka kupca v imenu datoteke ra\xE8una in priloge", nullptr, false},
};

// Where each switch sits: row and column (0 left, 1 right) of the switch grid; the work-data
// deletion switch spans both columns.
struct Place {
  int row, column;
  bool spans;
};
const Place kPlaces[] = {{0, 0, false}, {0, 1, false}, {1, 0, false}, {1, 1, false},
                         {2, 0, true},  {3, 0, false}, {3, 1, false}, {4, 0, false},
                         {4, 1, false}, {5, 1, false}, {6, 1, false}, {5, 0, false}};
static_assert(std::size(kPlaces) == std::size(kSwitches));

uint32_t Get(const Settings& s, SwitchMember m) {
  return std::visit([&](auto member) { return uint32_t(s.*member); }, m);
}

void Set(Settings& s, SwitchMember m, uint32_t v) {
  std::visit(
      [&](auto member) {
        s.*member = static_cast<std::remove_reference_t<decltype(s.*member)>>(v);
      },
      m);
}

std::string ErrorSuffix(const Status& s) {
  return "|| Oznaka: " + std::to_string(s.error_code()) + " - " +
         qt::FromQt(QString::fromStdString(s.message()));
}

void SetHint(QWidget* w, const char* status_tip, const char* tool_tip = nullptr) {
  w->setStatusTip(ToQt(status_tip));
  w->setToolTip(ToQt(tool_tip ? tool_tip : status_tip));
}

}  // namespace

struct NastavitvePrograma::Controls {
  QLineEdit* work_folder = nullptr;
  QLineEdit* output_folder = nullptr;
  QLineEdit* archiver = nullptr;
  QPushButton* work_folder_button = nullptr;
  QPushButton* output_folder_button = nullptr;
  QPushButton* archiver_button = nullptr;
  std::vector<QCheckBox*> switches;
  std::vector<QToolButton*> infos;
  QGroupBox* packaging = nullptr;
  QRadioButton* one_each = nullptr;
  QRadioButton* all_in_one = nullptr;
  QPushButton* ok = nullptr;
  QPushButton* cancel = nullptr;
  QGridLayout* grid = nullptr;
  std::vector<QWidget*> tab_order;
  std::vector<QWidget*> tab_order_after_buttons;  // controls 33 to 42
  QCheckBox* eslog20 = nullptr;
  QComboBox* category0 = nullptr;
  QLineEdit* exemption0 = nullptr;
  std::vector<QWidget*> eslog20_only;  // shown only while e-SLOG 2.0 is chosen
};

NastavitvePrograma::NastavitvePrograma(SettingsWindowContext context, QWidget* parent)
    : QDialog(parent),
      ctx_(context),
      files_(std::make_unique<workdata::WorkFiles>(ctx_.settings, ctx_.driver, ctx_.errors)),
      controls_(std::make_unique<Controls>()) {
  ctx_.errors.EnterProcedure(kProcedureName);
  setObjectName(kProcedureName);
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(ToQt(kCaption));
  setFont(QFont(kFont, kFontPoints));
  setSizeGripEnabled(true);
  Build();
}

NastavitvePrograma::~NastavitvePrograma() { Leave(); }

void NastavitvePrograma::Build() {
  auto* top = new QVBoxLayout(this);
  auto* image = new QLabel(this);
  image->setObjectName("?IMAGE1");
  image->setPixmap(pictures::Pixmap("Nastavi1.png"));
  top->addWidget(image);
  BuildEntries();
  BuildSwitches();
  BuildEslog20();
  BuildButtons();
  status_ = new QStatusBar(this);
  status_->setSizeGripEnabled(false);
  top->addWidget(status_);

  const std::vector<QWidget*>& order = controls_->tab_order;
  for (size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void NastavitvePrograma::BuildEntries() {
  auto* top = static_cast<QVBoxLayout*>(layout());
  Controls& c = *controls_;
  struct Row {
    const char* prompt;
    const char* name;
    std::string* variable;
    size_t capacity;
    const char* button;
    QLineEdit** entry;
    QPushButton** picker;
    void (NastavitvePrograma::*choose)();
    const char* hint;
  };
  Settings& s = ctx_.settings;
  const Row rows[] = {
      {"Imenik, kjer se nahajajo delovni podatki e-ra\xE8unov (eRACUNI, eRACUNIP in eRACPRIL) :",
       "?GLO:POTDOERACUNOV", &s.POTDOERACUNOV, kCapacityPotDoEracunov, "?GUMBPOTDOERACUNOV",
       &c.work_folder, &c.work_folder_button, &NastavitvePrograma::ChooseWorkFolder, nullptr},
      {"Imenik s podatki e-ovojnice in e-ra\xE8unov v XML obliki ter VSEH prilog  (PDF itd.) :",
       "?GLO:POTDOXMLRACUNOV", &s.POTDOXMLRACUNOV, kCapacityPotDoXmlRacunov, "?GUMBPOTDOXMLRACUNOV",
       &c.output_folder, &c.output_folder_button, &NastavitvePrograma::ChooseOutputFolder, nullptr},
      {"Pogram za stiskanje podatkov eRA\xC8UNOV v paket ZIP :", "?GLO:POTDO7ZG", &s.POTDO7ZG,
       kCapacityPotDo7zG, "?GUMBPOTDO7GK", &c.archiver, &c.archiver_button,
       &NastavitvePrograma::ChooseArchiver,
       "Pot do programa za stiskanje podatkov za oddajo na banko"},
  };
  for (const Row& row : rows) {
    top->addWidget(new QLabel(ToQt(row.prompt), this));
    auto* line = new QHBoxLayout;
    auto* entry = new QLineEdit(ToQt(*row.variable), this);
    entry->setObjectName(row.name);
    entry->setMaxLength(int(row.capacity));
    entry->setValidator(new qt::Cp1250Validator(entry));
    entry->setMinimumWidth(entry->fontMetrics().averageCharWidth() * 60);
    if (row.hint) SetHint(entry, row.hint);
    std::string* variable = row.variable;
    connect(entry, &QLineEdit::textEdited, this, [this, variable](const QString& text) {
      *variable = qt::FromQt(text);
      emit changed();
    });
    auto* button = new QPushButton("...", this);
    button->setObjectName(row.button);
    button->setAutoDefault(false);
    button->setFixedWidth(button->fontMetrics().horizontalAdvance("...") + 16);
    connect(button, &QPushButton::clicked, this, row.choose);
    line->addWidget(entry, 1);
    line->addWidget(button);
    top->addLayout(line);
    *row.entry = entry;
    *row.picker = button;
    c.tab_order.push_back(entry);
    c.tab_order.push_back(button);
  }
}

void NastavitvePrograma::BuildSwitches() {
  auto* top = static_cast<QVBoxLayout*>(layout());
  Controls& c = *controls_;
  constexpr size_t kFirstAfterButtons = 9;
  auto* grid = new QGridLayout;
  c.grid = grid;
  grid->setColumnStretch(2, 1);
  grid->setColumnStretch(3, 1);
  grid->setColumnMinimumWidth(2, 12);
  for (size_t i = 0; i < std::size(kSwitches); ++i) {
    const SwitchSpec& sw = kSwitches[i];
    const Place& place = kPlaces[i];
    auto* box = new QCheckBox(ToQt(sw.text), this);
    box->setObjectName(sw.name);
    SetHint(box, sw.hint);
    uint32_t value = Get(ctx_.settings, sw.member);
    box->setChecked(sw.on_only_at_one ? value == 1 : value != 0);
    connect(box, &QCheckBox::toggled, this, [this, &sw](bool on) {
      Set(ctx_.settings, sw.member, on ? 1 : 0);
      emit changed();
    });
    int column = place.column * 3;
    grid->addWidget(box, place.row, column, 1, place.spans ? 4 : 1);
    std::vector<QWidget*>& order = i < kFirstAfterButtons ? c.tab_order : c.tab_order_after_buttons;
    c.switches.push_back(box);
    order.push_back(box);
    if (sw.info) {
      auto* info = new QToolButton(this);
      info->setObjectName(sw.info->name);
      info->setIcon(pictures::Icon(kInfoPicture));
      const InfoSpec* text = sw.info;
      connect(info, &QToolButton::clicked, this,
              [this, text] { ShowInfo(text->caption, text->text); });
      // The deletion switch spans both columns and uses the right-hand info button.
      grid->addWidget(info, place.row, place.spans ? 4 : column + 1,
                      Qt::AlignLeft | Qt::AlignVCenter);
      c.infos.push_back(info);
      order.push_back(info);
    }
  }

  // The packaging choice: starts blank, so neither radio is set until the user picks one.
  c.packaging = new QGroupBox(ToQt(" NA\xC8IN PAKIRANJA PODATKOV "), this);
  c.packaging->setObjectName("?GLO:ENRACENZIP");
  SetHint(c.packaging,
          "Ali pri pakiranju naredimo ZIP za en ra\xE8un (E) in ovojnico ali za vse "
          "(V) skupaj");
  auto* radios = new QVBoxLayout(c.packaging);
  auto* group = new QButtonGroup(c.packaging);
  struct Radio {
    const char* name;
    const char* text;
    char value;
    QRadioButton** widget;
  };
  for (const Radio& r :
       {Radio{"?GLO:ENRACENZIP:RADIO1", "  en ra\xE8un - en paket ZIP", 'E', &c.one_each},
        Radio{"?GLO:ENRACENZIP:RADIO2", "  vsi ra\xE8uni - en paket ZIP", 'V', &c.all_in_one}}) {
    auto* radio = new QRadioButton(ToQt(r.text), c.packaging);
    radio->setObjectName(r.name);
    radio->setChecked(ctx_.settings.ENRACENZIP == r.value);
    group->addButton(radio);
    radios->addWidget(radio);
    char value = r.value;
    connect(radio, &QRadioButton::toggled, this, [this, value](bool on) {
      if (!on) return;
      ctx_.settings.ENRACENZIP = value;
      emit changed();
    });
    *r.widget = radio;
  }
  grid->addWidget(c.packaging, 6, 0, 2, 2);
  top->addLayout(grid);
}

void NastavitvePrograma::BuildButtons() {
  Controls& c = *controls_;
  std::vector<QWidget*>& order = c.tab_order;
  order.push_back(c.one_each);
  order.push_back(c.all_in_one);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  c.ok = new QPushButton(pictures::Icon("VREDU.ICO"), ToQt("&SHRANI"), this);
  c.ok->setObjectName("?OK");
  SetHint(c.ok, "Accept operation", "Potrdi");
  c.cancel = new QPushButton(pictures::Icon("PREKLICI.ICO"), ToQt("&PREKLI\xC8I"), this);
  c.cancel->setObjectName("?CANCEL");
  SetHint(c.cancel, "Cancel Operation", "Preklic dejanja");
  for (QPushButton* b : {c.ok, c.cancel}) {
    b->setAutoDefault(false);
    b->setMinimumWidth(b->sizeHint().width() + 8);
    buttons->addWidget(b);
    order.push_back(b);
  }
  connect(c.ok, &QPushButton::clicked, this, &NastavitvePrograma::Save);
  connect(c.cancel, &QPushButton::clicked, this, &QDialog::reject);
  c.grid->addLayout(buttons, 10, 3, 1, 2, Qt::AlignBottom);
  order.insert(order.end(), c.tab_order_after_buttons.begin(), c.tab_order_after_buttons.end());
}

// Controls 37 to 42: the e-SLOG version and, for 2.0 only, how zero-rated lines are taxed.
void NastavitvePrograma::BuildEslog20() {
  Controls& c = *controls_;
  Settings& s = ctx_.settings;
  std::vector<QWidget*>& order = c.tab_order_after_buttons;

  c.eslog20 = new QCheckBox(ToQt("  e-SLOG 2.0 (EN 16931)"), this);
  c.eslog20->setObjectName("?GLO:VERZIJAESLOG");
  SetHint(c.eslog20, "Ali se e-ra\xE8uni izdelajo v obliki e-SLOG 2.0 (1) ali e-SLOG 1.6 (0)");
  c.eslog20->setChecked(SelectsEslog20(s));
  auto* info = new QToolButton(this);
  info->setObjectName(kInfoEslog20.name);
  info->setIcon(pictures::Icon(kInfoPicture));
  connect(info, &QToolButton::clicked, this,
          [this] { ShowInfo(kInfoEslog20.caption, kInfoEslog20.text); });
  c.grid->addWidget(c.eslog20, 7, 3);
  c.grid->addWidget(info, 7, 4, Qt::AlignLeft | Qt::AlignVCenter);

  auto* category_prompt = new QLabel(ToQt("Kategorija DDV za 0 % :"), this);
  c.category0 = new QComboBox(this);
  c.category0->setObjectName("?GLO:DDVKATEGORIJA0");
  SetHint(c.category0,
          "Kategorija DDV za postavke s stopnjo 0 %, ki niso obrnjena dav\xE8na obveznost "
          "(samo e-SLOG 2.0)");
  for (const CategoryEntry& e : kCategories) c.category0->addItem(ToQt(e.text));
  char category = VatCategoryZero(s);  // an unknown stored letter acts as, and shows as, E
  for (size_t i = 0; i < std::size(kCategories); ++i)
    if (kCategories[i].letter == category) c.category0->setCurrentIndex(int(i));
  connect(c.category0, &QComboBox::activated, this, [this](int index) {
    ctx_.settings.DDVKATEGORIJA0 = kCategories[index].letter;
    emit changed();
  });

  auto* exemption_prompt = new QLabel(ToQt("Razlog oprostitve DDV :"), this);
  c.exemption0 = new QLineEdit(ToQt(s.DDVOPROSTITEV0), this);
  c.exemption0->setObjectName("?GLO:DDVOPROSTITEV0");
  c.exemption0->setMaxLength(int(kCapacityDdvOprostitev0));
  c.exemption0->setValidator(new qt::Cp1250Validator(c.exemption0));
  SetHint(c.exemption0,
          "Besedilo razloga oprostitve DDV za postavke s stopnjo 0 % (samo e-SLOG 2.0)");
  connect(c.exemption0, &QLineEdit::textEdited, this, [this](const QString& text) {
    ctx_.settings.DDVOPROSTITEV0 = qt::FromQt(text);
    emit changed();
  });
  c.grid->addWidget(category_prompt, 8, 0);
  c.grid->addWidget(c.category0, 8, 1, 1, 3, Qt::AlignLeft);
  c.grid->addWidget(exemption_prompt, 9, 0);
  c.grid->addWidget(c.exemption0, 9, 1, 1, 3);

  c.eslog20_only = {category_prompt, c.category0, exemption_prompt, c.exemption0};
  for (QWidget* w : c.eslog20_only) {
    QSizePolicy keep = w->sizePolicy();
    keep.setRetainSizeWhenHidden(true);  // the window keeps its size as the box is ticked
    w->setSizePolicy(keep);
    w->setVisible(c.eslog20->isChecked());
  }
  connect(c.eslog20, &QCheckBox::toggled, this, [this](bool on) {
    ctx_.settings.VERZIJAESLOG = on ? "2.0" : "1.6";
    for (QWidget* w : controls_->eslog20_only) w->setVisible(on);
    emit changed();
  });
  for (QWidget* w : {static_cast<QWidget*>(c.eslog20), static_cast<QWidget*>(info),
                     static_cast<QWidget*>(c.category0), static_cast<QWidget*>(c.exemption0)})
    order.push_back(w);
}

bool NastavitvePrograma::Pick(std::string& variable, size_t capacity, bool folder,
                              const std::string& title) {
  FileSystem& fs = ctx_.platform.files;
  const std::string remembered = fs.CurrentDirectory();
  std::optional<std::string> chosen =
      folder ? ctx_.pickers.ChooseFolder(this, ToQt(title), Cp1250ToUtf8(variable))
             : ctx_.pickers.ChooseFile(this, ToQt(title), Cp1250ToUtf8(variable),
                                       ToQt("Programske datoteke|7z*.exe"));
  (void)fs.SetCurrentDirectory(remembered);
  if (!chosen) return false;
  if (folder && (chosen->empty() || chosen->back() != '/')) *chosen += '/';
  std::optional<std::string> stored = Utf8ToCp1250(*chosen);
  if (!stored || stored->size() > capacity) {
    // A cut or garbled path would point somewhere else: keep the old value.
    MessageRequest r;
    r.text =
        " Izbrane poti ni mogo\xE8"
        "e shraniti v nastavitve (najve\xE8 " +
        std::to_string(capacity) + " znakov kodne strani windows-1250):|" +
        qt::FromQt(QString::fromStdString(*chosen));
    r.caption = kWarningCaption;
    r.icon = MessageIcon::kExclamation;
    ctx_.platform.messages.Show(r);
    return false;
  }
  variable = *stored;
  emit changed();
  return true;
}

void NastavitvePrograma::ChooseWorkFolder() {
  Controls& c = *controls_;
  if (Pick(ctx_.settings.POTDOERACUNOV, kCapacityPotDoEracunov, true,
           " Izberi mapo z delovnimi datotekami e-ra\xE8unov"))
    c.work_folder->setText(ToQt(ctx_.settings.POTDOERACUNOV));
  // Whether or not a folder was chosen: save (which rebuilds the three work-file paths) and
  // reopen this window's own work files from there.
  files_->CloseAll();
  Status s = ShraniNastavitve(ctx_.settings, ctx_.platform.files);
  emit changed();
  if (!s.ok()) WarnSaveFailed(s);
  (void)files_->OpenAll();
  FocusAfter(c.work_folder_button);
}

void NastavitvePrograma::ChooseOutputFolder() {
  Controls& c = *controls_;
  if (Pick(ctx_.settings.POTDOXMLRACUNOV, kCapacityPotDoXmlRacunov, true,
           " Izberi mapo za izhodne XML datoteke"))
    c.output_folder->setText(ToQt(ctx_.settings.POTDOXMLRACUNOV));
  FocusAfter(c.output_folder_button);
}

void NastavitvePrograma::ChooseArchiver() {
  Controls& c = *controls_;
  if (Pick(ctx_.settings.POTDO7ZG, kCapacityPotDo7zG, false,
           " Izberi program za stiskanje podatkov za banko"))
    c.archiver->setText(ToQt(ctx_.settings.POTDO7ZG));
  FocusAfter(c.archiver_button);
}

void NastavitvePrograma::FocusAfter(QWidget* button) {
  const std::vector<QWidget*>& order = controls_->tab_order;
  auto it = std::find(order.begin(), order.end(), button);
  if (it != order.end() && ++it != order.end()) (*it)->setFocus(Qt::TabFocusReason);
}

void NastavitvePrograma::ShowInfo(const char* caption, const char* text) {
  MessageRequest r;
  r.text = text;
  r.caption = caption;
  r.icon = MessageIcon::kInformation;
  r.button_text = kInfoButtonText;
  ctx_.platform.messages.Show(r);
}

void NastavitvePrograma::Save() {
  Status s = ShraniNastavitve(ctx_.settings, ctx_.platform.files);
  emit changed();
  if (!s.ok()) {
    // Closing as if saved would hide the failure; the user may fix it or cancel.
    WarnSaveFailed(s);
    return;
  }
  accept();
}

void NastavitvePrograma::WarnSaveFailed(const Status& s) {
  MessageRequest r;
  r.text =
      " Nastavitev ni bilo mogo\xE8"
      "e shraniti v datoteko " +
      ctx_.settings.INIDATOTEKA + ErrorSuffix(s);
  r.caption = kWarningCaption;
  r.icon = MessageIcon::kExclamation;
  ctx_.platform.messages.Show(r);
}

bool NastavitvePrograma::event(QEvent* e) {
  if (e->type() == QEvent::StatusTip && status_ != nullptr) {
    status_->showMessage(static_cast<QStatusTipEvent*>(e)->tip());
    return true;
  }
  return QDialog::event(e);
}

void NastavitvePrograma::done(int result) {
  Leave();
  QDialog::done(result);
}

void NastavitvePrograma::Leave() {
  if (left_) return;
  left_ = true;
  files_->CloseAll();
  ctx_.errors.LeaveProcedure();
}

}  // namespace eracuni::settings
