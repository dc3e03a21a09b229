// The work data and the user's files come through every run unharmed: full runs on every
// channel with every switch, the work files and every attachment compared byte for byte
// before and after. The only change allowed is the same-name rule's PDF rename.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/run_fixture.h"

namespace eracuni::reliability {
namespace {

using eracuni::testing::RunTest;
using eracuni::testing::Snapshot;

struct Switches {
  const char* name;
  void (*apply)(settings::Settings&);
};

const Switches kSwitches[] = {
    {"none", [](settings::Settings&) {}},
    {"all",
     [](settings::Settings& s) {
       s.BRISANJEDELOVNIH = 1;
       s.ROCNOEPODPISOVANJE = 1;
       s.PREDPONASI = 1;
       s.DODAJLOKACIJOPRILOG = 1;
       s.VIZUALIZACIJA = 1;
       s.KODA66V203 = 1;
       s.ENAKAIMENARACUNA = 1;
       s.STSERVIS = 1;
       s.OBDOBJERACUNA = 1;
       s.DSVIMENURACUNA = 1;
       s.OVOJNICA = 1;
       s.PDF = 1;
     }},
    {"delete_work_data", [](settings::Settings& s) { s.BRISANJEDELOVNIH = 1; }},
    {"signer", [](settings::Settings& s) { s.ROCNOEPODPISOVANJE = 1; }},
    {"same_names", [](settings::Settings& s) { s.ENAKAIMENARACUNA = 1; }},
    {"tax_number_copy", [](settings::Settings& s) { s.DSVIMENURACUNA = 1; }},
    {"locations_and_pdf",
     [](settings::Settings& s) {
       s.DODAJLOKACIJOPRILOG = 1;
       s.PDF = 1;
       s.OVOJNICA = 1;
     }},
};

// A BIC per channel; U is the UJP switch on top of any bank.
struct Channel {
  char code;
  const char* bic;
};
const Channel kChannels[] = {{'K', "BAKOSI2X"}, {'M', "KBMASI2X"}, {'G', "GORESI2X"},
                             {'D', "SZKBSI2X"}, {'O', "LJBASI2X"}, {'U', "LJBASI2X"},
                             {'Z', "LJBASI2X"}};

class Integrity : public RunTest,
                  public ::testing::WithParamInterface<std::tuple<Channel, Switches>> {};

TEST_P(Integrity, WorkFilesAndAttachmentsAreUnchanged) {
  const auto& [channel, switches] = GetParam();
  settings_.ODDAJAUJP = channel.code == 'U';
  switches.apply(settings_);
  AddInvoice(1, "2026-1", channel.bic);
  AddInvoice(2, "2026-2", channel.bic);
  WriteWorkFiles();
  const auto work_before = Snapshot(work_.path());
  const auto attachments_before = Snapshot(att_.path());

  // The exchange service is no bank: the user picks it in the settings window once the
  // window is open.
  if (channel.code == 'Z') after_open_ = [this] { settings_.KATERABANKA = 'Z'; };
  batch::WindowState w = Run();
  EXPECT_EQ(w.STEVEC, 2) << AllTexts();

  EXPECT_EQ(Snapshot(work_.path()), work_before);
  auto expected = attachments_before;
  if (settings_.ENAKAIMENARACUNA != 0) {
    // The PDF at position 2 now goes by its document's name, with the same bytes.
    for (const char* n : {"2026-1", "2026-2"}) {
      const std::string old_name = std::string("scan ") + n + ".pdf";
      expected[std::string(n) + ".PDF"] = expected[old_name];
      expected.erase(old_name);
    }
  }
  EXPECT_EQ(Snapshot(att_.path()), expected);
  // Nothing half-written stays behind in the output folder.
  for (const auto& [name, bytes] : Snapshot(out_.path()))
    EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

INSTANTIATE_TEST_SUITE_P(EveryChannelAndSwitch, Integrity,
                         ::testing::Combine(::testing::ValuesIn(kChannels),
                                            ::testing::ValuesIn(kSwitches)),
                         [](const auto& info) {
                           return std::string(1, std::get<0>(info.param).code) + "_" +
                                  std::get<1>(info.param).name;
                         });

}  // namespace
}  // namespace eracuni::reliability
