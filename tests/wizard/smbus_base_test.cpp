// The SMBus base address box: a base typed over the reported one chooses the controller the
// search probes and the chip is handed over on; left as shown, it changes nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/i2c-dev.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "access/link_new_com_port.h"
#include "buslink/bus_trace.h"
#include "buslink/linux/linux_backend.h"
#include "buslink/linux/system_calls.h"
#include "buslink/sim/simulated_hardware.h"
#include "support/qstring_printer.h"
#include "wizard/device_search.h"
#include "wizard_window.h"

namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const QString kSMBus2DLine = QStringLiteral("An KELVRAN was found at:2Dh, on the SMBus") +
                             QString(98, QLatin1Char(' ')) + QStringLiteral("SMBus2D");

struct BaseCase {
  const char* typed;
  long reported;
  long searched;
};

class BaseToSearch : public ::testing::TestWithParam<BaseCase> {};

TEST_P(BaseToSearch, IsTheTypedHexNumberOnlyWhenItDiffersFromTheReportedOne) {
  const BaseCase& c = GetParam();
  EXPECT_EQ(wizard::SMBusBaseToSearch(c.typed, c.reported), c.searched)
      << '"' << c.typed << "\" over " << std::hex << c.reported;
}

INSTANTIATE_TEST_SUITE_P(Table, BaseToSearch,
                         ::testing::Values(BaseCase{"1C0", 0x1C0, 0}, BaseCase{"1c0", 0x1C0, 0},
                                           BaseCase{"5000", 0x5000, 0},
                                           BaseCase{"B00", 0x5000, 0xB00},
                                           BaseCase{"b00", 0xEFA0, 0xB00},
                                           BaseCase{"B00", 0, 0xB00}, BaseCase{"", 0x5000, 0},
                                           BaseCase{"0", 0x5000, 0}, BaseCase{"1G0", 0x5000, 0},
                                           BaseCase{"12345", 0, 0}));

// The simulated computer's one SMBus controller sits at 1C0h with a chip at 2Dh.
class SimulatedBase : public ::testing::Test {
 protected:
  void Start(const char* base) {
    trace_.KeepLines(true);
    hardware_ = std::make_unique<buslink::sim::SimulatedHardware>(
        buslink::sim::Scenario::FromJson(
            std::string(R"({"smbus": {"present": true, "base_address": ")") + base +
                R"(", "chips": [ {"address": "0x2D"} ]}})",
            "test"),
        &trace_);
    wizard_ = std::make_unique<WizardWindow>(*hardware_);
    // To the medium panel, with only the SMBus ticked.
    wizard_->Click("NextCMD");
    wizard_->ClickCheck("PPCheck");
    wizard_->ClickCheck("SMBusCheck");
  }

  buslink::BusTrace trace_;
  std::unique_ptr<buslink::sim::SimulatedHardware> hardware_;
  std::unique_ptr<WizardWindow> wizard_;
};

struct TypedCase {
  const char* name;
  std::optional<const char*> keys;  // nullopt: the box is left as shown
  QString shown;                    // what the box holds when the search starts
  bool found;
};

void PrintTo(const TypedCase& c, std::ostream* os) {
  *os << c.name;
}

class TypedBase : public SimulatedBase, public ::testing::WithParamInterface<TypedCase> {};

TEST_P(TypedBase, ReachesTheSearchOnlyWhenItNamesAnotherController) {
  const TypedCase& c = GetParam();
  Start("0x1C0");
  WizardWindow& w = *wizard_;
  ASSERT_EQ(w.Base(), "1C0");
  if (c.keys) w.TypeBase(QString::fromLatin1(*c.keys));
  EXPECT_EQ(w.Base(), c.shown);
  w.Click("NextCMD");

  EXPECT_EQ(w.form.wizard_state(), 4);
  EXPECT_TRUE(w.boxes.shown.empty()) << "a controller that is not there is no error to report";
  if (c.found) {
    EXPECT_THAT(w.Lines(), ElementsAre(kSMBus2DLine));
    EXPECT_THAT(trace_.Lines(),
                ElementsAre("SMB 2E R 3E ERR NACK", "SMB 2C R 3E ERR NACK", "SMB 2D R 3E 41"));
  } else {
    EXPECT_THAT(w.Lines(), IsEmpty());
    EXPECT_EQ(w.Text("SearchResultsLBL"),
              "Sorry, no KELVRANs were found. Please check all connections and try again");
    EXPECT_EQ(w.Text("SearchInsLBL"), "Click Back to continue...");
    EXPECT_FALSE(w.Enabled("FinishCMD"));
    EXPECT_THAT(trace_.Lines(),
                ElementsAre("SMB 2E R 3E ERR NOADAPTER", "SMB 2C R 3E ERR NOADAPTER",
                            "SMB 2D R 3E ERR NOADAPTER"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, TypedBase,
    ::testing::Values(TypedCase{"AsShown", std::nullopt, QStringLiteral("1C0"), true},
                      TypedCase{"SameInLowerCase", "1c0", QStringLiteral("1c0"), true},
                      TypedCase{"Emptied", "", QString(), true},
                      TypedCase{"Zero", "0", QStringLiteral("0"), true},
                      TypedCase{"AnotherBase", "2A0", QStringLiteral("2A0"), false}),
    [](const ::testing::TestParamInfo<TypedCase>& p) { return p.param.name; });

TEST_F(SimulatedBase, FourDigitBaseIsShownInFullButOnlyThreeHexDigitsAreTaken) {
  Start("0x5000");
  WizardWindow& w = *wizard_;
  EXPECT_EQ(w.Base(), "5000");
  w.TypeBase(QStringLiteral("5g0z01"));
  EXPECT_EQ(w.Base(), "500") << "letters that are no hex digit and a fourth digit are refused";
  w.Click("NextCMD");
  EXPECT_THAT(w.Lines(), IsEmpty());
  EXPECT_THAT(trace_.Lines(), Each(::testing::EndsWith("ERR NOADAPTER")));

  // Back to the medium panel: the box keeps what was typed; 0 returns to the controller there is.
  w.Click("BackCMD");
  EXPECT_EQ(w.Base(), "500");
  w.TypeBase(QStringLiteral("0"));
  trace_.ClearLines();
  w.Click("NextCMD");
  ASSERT_THAT(w.Lines(), ElementsAre(kSMBus2DLine));
  w.Click("FinishCMD");
  EXPECT_EQ(w.d.comms_medium, 0);
  EXPECT_EQ(w.d.bus_link->SMBus().BaseAddress(), 0x5000);
  trace_.ClearLines();
  EXPECT_EQ(devaccess::ReadAt(w.d, 0x3E), 0x41);
  EXPECT_THAT(trace_.Lines(), ElementsAre("SMB 2D R 3E 41"));
}

// The kernel behind two SMBus controllers: the chip at 2Dh answers only behind chip_node.
class TwoControllers : public buslink::linux_hw::SystemCalls {
 public:
  explicit TwoControllers(std::string chip_node) : chip_node_(std::move(chip_node)) {
    registers_[0x3E] = 0x41;
  }
  int Open(const std::string& path, int /*flags*/) override {
    nodes_[next_fd_] = path;
    return next_fd_++;
  }
  void Close(int fd) override { nodes_.erase(fd); }
  int Ioctl(int fd, unsigned long request, void* arg) override {
    if (request != I2C_SLAVE || nodes_.count(fd) == 0) return -ENOTTY;
    slaves_[fd] = reinterpret_cast<std::uintptr_t>(arg);
    return 0;
  }
  int SmbusReadByteData(int fd, std::uint8_t reg) override {
    read_nodes.push_back(nodes_[fd]);
    return nodes_[fd] == chip_node_ && slaves_[fd] == 0x2D ? registers_[reg] : -ENXIO;
  }
  int SmbusWriteByteData(int /*fd*/, std::uint8_t /*reg*/, std::uint8_t /*value*/) override {
    return -EIO;  // the search and the hand-over only read
  }

  std::vector<std::string> read_nodes;  // the /dev node of every read, in order

 private:
  std::string chip_node_;
  std::map<int, std::string> nodes_;
  std::map<int, std::uintptr_t> slaves_;
  std::map<int, int> registers_;
  int next_fd_ = 10;
};

void WriteFile(const QString& path, const QByteArray& content) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  file.write(content);
}

TEST(LinuxBase, TypedBaseSearchesThatControllerAndTheChipIsHandedOverOnIt) {
  QTemporaryDir root;
  const QString r = root.path();
  WriteFile(r + QStringLiteral("/dev/i2c-1"), {});
  WriteFile(r + QStringLiteral("/dev/i2c-2"), {});
  WriteFile(r + QStringLiteral("/sys/class/i2c-dev/i2c-1/name"), "SMBus I801 adapter at efa0\n");
  WriteFile(r + QStringLiteral("/sys/class/i2c-dev/i2c-2/name"),
            "SMBus PIIX4 adapter port 0 at 0b00\n");
  const std::string first = r.toStdString() + "/dev/i2c-1";
  const std::string second = r.toStdString() + "/dev/i2c-2";
  auto kernel = std::make_shared<TwoControllers>(second);
  buslink::linux_hw::LinuxBackend backend(
      nullptr, buslink::linux_hw::LinuxOptions{r.toStdString(), kernel, {}, nullptr});
  WizardWindow w(backend);
  w.Click("NextCMD");
  w.ClickCheck("PPCheck");
  w.ClickCheck("SMBusCheck");
  ASSERT_EQ(w.Base(), "EFA0") << "the controller the backend picks by name";

  // As shown: the controller at EFA0h, where no chip answers.
  w.Click("NextCMD");
  EXPECT_THAT(w.Lines(), IsEmpty());
  EXPECT_THAT(kernel->read_nodes, ElementsAre(first, first, first));

  w.Click("BackCMD");
  w.TypeBase(QStringLiteral("b00"));
  kernel->read_nodes.clear();
  w.Click("NextCMD");
  ASSERT_THAT(w.Lines(), ElementsAre(kSMBus2DLine));
  EXPECT_THAT(kernel->read_nodes, ElementsAre(second, second, second));

  w.Click("FinishCMD");
  EXPECT_EQ(w.d.device_address, 0x2D);
  kernel->read_nodes.clear();
  EXPECT_EQ(devaccess::ReadAt(w.d, 0x3E), 0x41);
  EXPECT_THAT(kernel->read_nodes, ElementsAre(second)) << "handed over on the typed controller";
  EXPECT_TRUE(w.boxes.shown.empty());
}

}  // namespace
