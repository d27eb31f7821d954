#include <gtest/gtest.h>

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QSysInfo>
#include <QTemporaryDir>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "link/CMscomm1.h"
#include "link/PortDiscovery.h"
#include "link/SerialDevice.h"
#include "tools/sim/MeterSimulator.h"

namespace orbek {
namespace {

using sim::MeterSimulator;

TEST(NaturalOrderTest, CountsDigitRunsAsNumbers) {
  const std::pair<const char*, const char*> ordered[] = {
      {"ttyS2", "ttyS10"},     {"ttyS9", "ttyS11"}, {"ttyACM0", "ttyS0"},    {"ttyS0", "ttyUSB0"},
      {"ttyUSB1", "ttyUSB10"}, {"pts/2", "pts/10"}, {"/tmp/a9", "/tmp/a10"}, {"rfcomm0", "ttyACM0"},
  };
  for (const auto& [lower, higher] : ordered) {
    EXPECT_TRUE(NaturalLess(lower, higher)) << lower << " < " << higher;
    EXPECT_FALSE(NaturalLess(higher, lower)) << higher << " < " << lower;
  }
  EXPECT_FALSE(NaturalLess("ttyS3", "ttyS3"));
}

TEST(PortDisplayNameTest, NamesAsLinuxUsersKnowThem) {
  const std::pair<const char*, const char*> cases[] = {
      {"/dev/ttyUSB0", "ttyUSB0"},
      {"/dev/ttyS10", "ttyS10"},
      {"/dev/pts/3", "pts/3"},
      {"/tmp/ttyMETER", "ttyMETER"},
      {"/dev/serial/by-id/usb-FTDI_A1-if00-port0", "usb-FTDI_A1-if00-port0"}};
  for (const auto& [path, name] : cases)
    EXPECT_EQ(PortDisplayName(path), name);
}

TEST(ReportScanTest, TextsAndCaptionsByCount) {
  struct Case {
    int count;
    const char* text;
    const char* caption;
  };
  const Case cases[] = {{0, "Port cannot be found", "Warnning"},
                        {1, "Found a port on your computer", "Message"},
                        {2, "Found the 2 ports on your computer", "Message"},
                        {3, "Found the 3 ports on your computer", "Message"},
                        {17, "Found the 17 ports on your computer", "Message"}};
  for (const auto& c : cases) {
    ProbeResult result;
    for (int i = 0; i < c.count; ++i)
      result.usable.push_back({QString("/dev/ttyS%1").arg(i), QString("ttyS%1").arg(i), {}});
    const auto report = ReportScan(result);
    EXPECT_EQ(report.text, c.text);
    EXPECT_EQ(report.caption, c.caption);
  }
}

TEST(ReportScanTest, PortsWithoutPermissionGetAHintAfterTheText) {
  ProbeResult result;
  result.denied = {"/dev/ttyUSB0", "/dev/ttyUSB1"};
  const auto report = ReportScan(result);
  EXPECT_EQ(report.caption, "Warnning");
  EXPECT_TRUE(report.text.startsWith("Port cannot be found\n"));
  EXPECT_TRUE(report.text.contains("/dev/ttyUSB0, /dev/ttyUSB1"));
  EXPECT_TRUE(report.text.contains("dialout"));
}

TEST(ReportScanTest, TheAdviceFitsWhoMayOpenTheNode) {
  struct Case {
    QStringList denied, outsideDialout;
    const char* dialoutNames;  // nullptr: no dialout advice
    const char* adminNames;    // nullptr: no administrator advice
  };
  const Case cases[] = {
      {{"/dev/ttyUSB0"}, {}, "/dev/ttyUSB0", nullptr},
      {{"/dev/ttyS0"}, {"/dev/ttyS0"}, nullptr, "/dev/ttyS0"},
      {{"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1"},
       {"/dev/ttyS0"},
       "/dev/ttyUSB0, /dev/ttyUSB1",
       "/dev/ttyS0"},
  };
  for (const auto& c : cases) {
    ProbeResult result;
    result.usable.push_back({"/dev/ttyACM0", "ttyACM0", {}});
    result.denied = c.denied;
    result.deniedOutsideDialout = c.outsideDialout;
    const QStringList lines = ReportScan(result).text.split('\n');
    EXPECT_EQ(lines.front(), "Found a port on your computer");
    const QString dialout = QString("No permission to open %1: add your user to the dialout group")
                                .arg(c.dialoutNames ? c.dialoutNames : "");
    const QString admin = QString("No permission to open %1, which the dialout group may not open")
                              .arg(c.adminNames ? c.adminNames : "");
    const auto shows = [&](const QString& start) {
      return std::any_of(lines.begin(), lines.end(),
                         [&](const QString& line) { return line.startsWith(start); });
    };
    EXPECT_EQ(shows(dialout), c.dialoutNames != nullptr) << lines.join('|').toStdString();
    EXPECT_EQ(shows(admin), c.adminNames != nullptr) << lines.join('|').toStdString();
    EXPECT_EQ(lines.size(), 1 + (c.dialoutNames ? 1 : 0) + (c.adminNames ? 1 : 0));
  }
}

class ProbePortsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 3; ++i)
      meters_.push_back(std::make_unique<MeterSimulator>(MeterSimulator::Options{}));
  }
  QString Path(int i) const { return QString::fromStdString(meters_[i]->DevicePath()); }
  std::vector<PortCandidate> Candidates() const {
    std::vector<PortCandidate> list = {{"/dev/ttyNOSUCHPORT", {}}};
    for (int i = static_cast<int>(meters_.size()) - 1; i >= 0; --i)
      list.push_back({Path(i), {}});
    return list;
  }

  std::vector<std::unique_ptr<MeterSimulator>> meters_;
};

TEST_F(ProbePortsTest, ListsOpenablePortsInNaturalOrder) {
  const auto result = ProbePorts(Candidates());
  ASSERT_EQ(result.usable.size(), 3u);
  for (std::size_t i = 1; i < result.usable.size(); ++i)
    EXPECT_TRUE(NaturalLess(result.usable[i - 1].name, result.usable[i].name));
  for (const auto& port : result.usable)
    EXPECT_EQ(port.name, PortDisplayName(port.path));
  EXPECT_TRUE(result.denied.isEmpty());
}

TEST_F(ProbePortsTest, LeavesOutAPortThatIsHeldAndLeavesItOpen) {
  CMscomm1 held;
  held.SetCommPort(Path(1));
  held.SetPortOpen(true);
  const auto result = ProbePorts(Candidates());
  ASSERT_EQ(result.usable.size(), 2u);
  for (const auto& port : result.usable)
    EXPECT_NE(port.path, Path(1));
  EXPECT_TRUE(held.PortOpen());
  held.SetPortOpen(false);
  EXPECT_EQ(ProbePorts(Candidates()).usable.size(), 3u) << "free again once closed";
}

// A lock file outlives a killed program, and its process id comes round
// again, as another program or as a thread of a live one: only a live
// process of the program it names holds the port.
TEST_F(ProbePortsTest, ALockWhoseHolderIsGoneDoesNotKeepThePort) {
  const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
  QProcess ended;
  ended.start(QStringLiteral("true"));
  ASSERT_TRUE(ended.waitForStarted());
  const qint64 endedId = ended.processId();
  ASSERT_TRUE(ended.waitForFinished());
  QProcess other;
  other.start(QStringLiteral("sleep"), {QStringLiteral("30")});
  ASSERT_TRUE(other.waitForStarted());
  std::promise<pid_t> threadId;
  std::promise<void> done;
  std::thread thread([&] {
    threadId.set_value(::gettid());
    done.get_future().wait();
  });
  const pid_t thread_id = threadId.get_future().get();
  const struct {
    const char* holder;
    qint64 pid;
    bool held;
  } cases[] = {
      {"a program that ended", endedId, false},
      {"another program at its id", other.processId(), false},
      {"a thread of a live program of its name", thread_id, false},
      {"a live program of its name", ::getpid(), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.holder);
    const QString lockFile = PortLockFile(Path(0));
    ASSERT_FALSE(lockFile.isEmpty());
    QFile file(lockFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("%1\n%2\n%3\n").arg(c.pid).arg(self, QSysInfo::machineHostName())
                   .toUtf8());
    file.close();
    QSerialPort port;
    const OpenResult result = OpenExclusive(port, Path(0));
    EXPECT_EQ(result.outcome, c.held ? OpenOutcome::Busy : OpenOutcome::Opened)
        << result.reason.toStdString();
    EXPECT_EQ(result.reason.contains(QStringLiteral("process %1").arg(c.pid)), c.held)
        << result.reason.toStdString();
    port.close();
    QFile::remove(lockFile);
  }
  done.set_value();
  thread.join();
  other.kill();
  other.waitForFinished();
}

TEST_F(ProbePortsTest, CandidatesTakeEachDeviceOnceAndIncludeExtraPaths) {
  QTemporaryDir dir;
  const QString link = dir.filePath("ttyMETER");
  ASSERT_TRUE(QFile::link(Path(0), link));
  const auto candidates = SerialPortCandidates({link, Path(0), Path(2)});
  int meter0 = 0, meter2 = 0;
  for (const auto& candidate : candidates) {
    meter0 += candidate.path == link || candidate.path == Path(0);
    meter2 += candidate.path == Path(2);
  }
  EXPECT_EQ(meter0, 1);
  EXPECT_EQ(meter2, 1);
  EXPECT_EQ(candidates.back().path, Path(2));
}

}  // namespace
}  // namespace orbek

#include <map>

#include "link/DeviceIdentity.h"
#include "link/SystemPorts.h"

namespace orbek {
namespace {

TEST(DeviceIdentityTest, TheSameDeviceIsFoundByItsByIdNameOrItsPathOnly) {
  MeterSimulator meter(MeterSimulator::Options{});
  MeterSimulator other(MeterSimulator::Options{});
  const QString device = QString::fromStdString(meter.DevicePath());
  QTemporaryDir byId;
  const QString name = byId.filePath("usb-Meter_Co_PH-99_A1B2C3-if00-port0");
  ASSERT_TRUE(QFile::link(device, name));

  const DeviceIdentity identity = IdentifyDevice(device, byId.path());
  EXPECT_EQ(identity.byIdPath, name);
  EXPECT_EQ(identity.Describe(), name);
  EXPECT_EQ(FindDevice(identity), name);
  QFile::remove(name);
  EXPECT_EQ(FindDevice(identity), std::nullopt) << "found while unplugged";
  // Back on another node: the by-id name follows the device.
  ASSERT_TRUE(QFile::link(QString::fromStdString(other.DevicePath()), name));
  EXPECT_EQ(FindDevice(identity), name);

  // Without a by-id name or serial number, only the path given will do.
  const DeviceIdentity plain = IdentifyDevice(device, byId.filePath("none"));
  EXPECT_TRUE(plain.byIdPath.isEmpty());
  EXPECT_EQ(FindDevice(plain), device);
  EXPECT_EQ(FindDevice(DeviceIdentity{"/dev/ttyNOSUCHPORT", {}, {}, 0, 0}), std::nullopt);
}

// A sysfs tree of ttys, each with or without a device folder behind it.
class FakeSysfs {
 public:
  FakeSysfs() : sys_(root_.path()) {}
  QString ClassFolder() const { return sys_.filePath("class/tty"); }
  QString Root() const { return root_.path(); }
  // A tty whose device folder is `device` (none: a console or a pty), with
  // a serial core's `type` if given.
  void AddTty(const QString& tty, const QString& device = {}, const char* type = nullptr) {
    ASSERT_TRUE(sys_.mkpath("class/tty/" + tty));
    if (!device.isEmpty()) {
      ASSERT_TRUE(sys_.mkpath(device));
      ASSERT_TRUE(
          QFile::link(sys_.filePath(device), sys_.filePath("class/tty/" + tty + "/device")));
    }
    if (type != nullptr) Write("class/tty/" + tty + "/type", type);
  }
  void Write(const QString& name, const char* text) {
    QFile file(sys_.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }

 private:
  QTemporaryDir root_;
  QDir sys_;
};

const QString kUsb = "devices/pci0000:00/usb1/1-2";

// A USB adapter is told by its USB serial number, read from its own
// folders in sysfs: a usb-serial port sits under its interface, an ACM
// device is the interface itself, and a device without a serial number
// keeps its path.
TEST(DeviceIdentityTest, AUsbDeviceWithoutAByIdNameIsToldByItsSerialNumber) {
  struct Case {
    const char* tty;
    const char* device;  // its device folder, under the USB device 1-2
    const char* serial;
  };
  const Case cases[] = {{"ttyUSB7", "1-2:1.0/ttyUSB7", "A9XK2LQ1"},
                        {"ttyACM3", "1-2:1.0", "0123456789"},
                        {"ttyUSB8", "1-2:1.0/ttyUSB8", nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tty);
    FakeSysfs sys;
    sys.AddTty(c.tty, kUsb + "/" + c.device);
    sys.Write(kUsb + "/idVendor", "0403\n");
    sys.Write(kUsb + "/idProduct", "6001\n");
    if (c.serial != nullptr) sys.Write(kUsb + "/serial", c.serial);
    QFile node(QDir(sys.Root()).filePath(c.tty));  // stands for /dev/ttyUSB7 and the like
    ASSERT_TRUE(node.open(QIODevice::WriteOnly));

    const DeviceIdentity identity =
        IdentifyDevice(node.fileName(), sys.Root() + "/no-by-id", sys.ClassFolder());
    EXPECT_EQ(identity.serialNumber, QString(c.serial == nullptr ? "" : c.serial));
    EXPECT_EQ(identity.vendor, c.serial == nullptr ? 0 : 0x0403);
    EXPECT_EQ(identity.product, c.serial == nullptr ? 0 : 0x6001);
    EXPECT_EQ(identity.Describe(),
              c.serial == nullptr ? node.fileName() : QString("USB 0403:6001 serial ") + c.serial);
  }
}

// The system's ports are the ttys with hardware behind them, a USB one
// named by its product (or its maker); consoles, ptys and a built-in UART
// with no chip are not ports.
TEST(SystemPortsTest, TheTtysWithHardwareAreListedWithTheirNames) {
  FakeSysfs sys;
  sys.AddTty("tty0");
  sys.AddTty("ptmx");
  sys.AddTty("ttyS0", "devices/platform/serial8250/tty/ttyS0", "4\n");
  sys.AddTty("ttyS1", "devices/platform/serial8250/tty/ttyS1", "0\n");
  sys.AddTty("ttyUSB0", kUsb + "/1-2:1.0/ttyUSB0");
  sys.Write(kUsb + "/idVendor", "0403\n");
  sys.Write(kUsb + "/product", "FT232R USB UART\n");
  sys.Write(kUsb + "/manufacturer", "FTDI\n");
  const QString acm = "devices/pci0000:00/usb1/1-3";
  sys.AddTty("ttyACM0", acm + "/1-3:1.0");
  sys.Write(acm + "/idVendor", "2341\n");
  sys.Write(acm + "/manufacturer", "Meter Co\n");

  std::map<QString, QString> found;
  for (const SystemPort& port : SystemSerialPorts(sys.ClassFolder()))
    found[port.name] = port.description;
  const std::map<QString, QString> expected = {
      {"ttyS0", ""}, {"ttyUSB0", "FT232R USB UART"}, {"ttyACM0", "Meter Co"}};
  EXPECT_EQ(found, expected);
}

}  // namespace
}  // namespace orbek
