#pragma once

#include <QComboBox>
#include <QLabel>
#include <QString>
#include <memory>
#include <vector>

#include "tools/sim/MeterSimulator.h"
#include "ui/BitmapButton.h"
#include "ui/COrbekDlg.h"
#include "ui/ComboBoxes.h"
#include "ui/MessageBox.h"
#include "ui/ReadingsTable.h"

namespace orbek {

// A box the window showed, and whether the window was on screen then.
struct ShownBox {
  QString text;
  QString caption;
  MessageButtons buttons;
  bool windowVisible;
};

// Looks inside the main window for the tests.
class OrbekDlgProbe {
 public:
  explicit OrbekDlgProbe(COrbekDlg& dlg) : dlg_(dlg) {}

  std::int32_t RowCounter() const { return dlg_.RowCounter; }
  bool ChartShown() const { return dlg_.ChartShown; }
  orbek::AxisRange AxisRange() const { return dlg_.AxisRange; }
  const std::vector<QString>& PortNumberList() const { return dlg_.PortNumberList; }
  CMscomm1& Serial() const { return dlg_.Session.Port(); }
  MeterSession& Session() const { return dlg_.Session; }
  ChartSeries ValueSeries() const { return dlg_.ValueSeries; }
  ChartSeries TemperatureSeries() const { return dlg_.TemperatureSeries; }
  orbek::ChartAxes ChartAxes() const { return dlg_.ChartAxes; }
  CTchart1& Chart() const { return *Find<CTchart1>("Chart"); }
  orbek::ReadingsTable& Table() const { return *Find<orbek::ReadingsTable>("ReadingsTable"); }
  QComboBox& Combo(const char* name) const { return *Find<QComboBox>(name); }
  BitmapButton& Button(const char* name) const { return *Find<BitmapButton>(name); }
  QLabel& Label(const char* name) const { return *Find<QLabel>(name); }
  const TransferRecord& Transfer() const { return dlg_.Transfer; }
  static QString Said(const LinkProblem& problem) { return COrbekDlg::Said(problem); }
  static QString Said(const StepLoss& loss) { return COrbekDlg::Said(loss); }

  template <typename T>
  T* Find(const char* name) const {
    T* child = dlg_.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) throw std::runtime_error(std::string("no control ") + name);
    return child;
  }

 private:
  COrbekDlg& dlg_;
};

// Records every box and answers it; the real box comes back at the end.
class BoxRecorder {
 public:
  explicit BoxRecorder(int answer = IDOK) : answer_(answer) {
    previous_ = SetMessageBoxHandler(
        [this](const QString& text, const QString& caption, MessageButtons buttons) {
          boxes.push_back({text, caption, buttons, window != nullptr && window->isVisible()});
          if (onBox) onBox();
          return buttons == MessageButtons::YesNo ? answer_ : IDOK;
        });
  }
  ~BoxRecorder() { SetMessageBoxHandler(previous_); }
  BoxRecorder(const BoxRecorder&) = delete;
  BoxRecorder& operator=(const BoxRecorder&) = delete;

  void AnswerYesNo(int answer) { answer_ = answer; }

  std::vector<ShownBox> boxes;
  QWidget* window = nullptr;    // the window whose visibility is noted
  std::function<void()> onBox;  // runs while a box is "up"

 private:
  int answer_;
  MessageBoxHandler previous_;
};

// Candidates for the port scan: exactly the given simulated meters.
inline COrbekDlg::PortCandidateSource MetersOnly(
    const std::vector<std::unique_ptr<sim::MeterSimulator>>& meters) {
  std::vector<PortCandidate> list;
  for (const auto& meter : meters)
    list.push_back({QString::fromStdString(meter->DevicePath()), {}});
  return [list] { return list; };
}

}  // namespace orbek
