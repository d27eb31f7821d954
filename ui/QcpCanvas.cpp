// The chart module: the chart drawn with QCustomPlot.
#include <QBuffer>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <QVBoxLayout>
#include <qcustomplot.h>
#include <vector>

#include "ui/ChartCanvas.h"

namespace orbek {

namespace {

QColor FromBgr(std::uint32_t colour) {
  return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

// The bottom axis the program drives is the hidden second X axis; the one
// shown follows it, unless the user is looking back.
class QcpCanvas : public ChartCanvas {
 public:
  QcpCanvas(QWidget& host, const Range ranges[3], std::function<void()> shownRangeChanged)
      : plot_(new QCustomPlot(&host)) {
    // QCustomPlot queues a replot from its constructor; the chart draws
    // when it is shown.
    QCoreApplication::removePostedEvents(plot_, QEvent::MetaCall);
    auto* layout = host.layout() != nullptr ? host.layout() : new QVBoxLayout(&host);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(plot_);
    plot_->setGeometry(host.rect());
    plot_->show();  // now, or with the chart
    plot_->setNoAntialiasingOnDrag(true);
    plot_->setNotAntialiasedElements(QCP::aeAll);
    for (const Axis axis : {Axis::Left, Axis::Shown, Axis::Followed}) {
      const Range range = ranges[static_cast<int>(axis)];
      At(axis).setRange(range.first, range.second);
    }
    // The wheel zooms the bottom axis around the pointer and a drag pans
    // it; the keys are the chart's (the plot's host has the focus).
    plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot_->axisRect()->setRangeDrag(Qt::Horizontal);
    plot_->axisRect()->setRangeZoom(Qt::Horizontal);
    plot_->axisRect()->setRangeDragAxes(plot_->xAxis, nullptr);
    plot_->axisRect()->setRangeZoomAxes(plot_->xAxis, nullptr);
    plot_->setFocusPolicy(Qt::NoFocus);
    plot_->setMouseTracking(true);
    QObject::connect(plot_->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), plot_,
                     [changed = std::move(shownRangeChanged)](const QCPRange&) { changed(); });
  }
  ~QcpCanvas() override { delete plot_; }

  QWidget* Widget() override { return plot_; }

  // An empty title takes no room; a title gets the layout's top row.
  void SetTitle(const QString& text) override {
    auto* layout = plot_->plotLayout();
    auto* element =
        layout->rowCount() > 1 ? qobject_cast<QCPTextElement*>(layout->element(0, 0)) : nullptr;
    if (text.isEmpty() && element != nullptr) {
      layout->remove(element);
      layout->simplify();
    } else if (!text.isEmpty() && element == nullptr) {
      layout->insertRow(0);
      layout->addElement(0, 0, new QCPTextElement(plot_, text));
    } else if (element != nullptr) {
      element->setText(text);
    }
  }

  void SetGrids(bool bottom, bool left) override {
    plot_->xAxis->grid()->setVisible(bottom);
    plot_->yAxis->grid()->setVisible(left);
  }

  void SetLegendVisible(bool visible) override { plot_->legend->setVisible(visible); }

  void SetColours(const QColor& background, const QColor& ink) override {
    plot_->setBackground(background);
    for (QCPAxis* axis : {plot_->xAxis, plot_->yAxis, plot_->xAxis2, plot_->yAxis2}) {
      axis->setBasePen(QPen(ink));
      axis->setTickPen(QPen(ink));
      axis->setSubTickPen(QPen(ink));
      axis->setTickLabelColor(ink);
      axis->setLabelColor(ink);
    }
  }

  void AddPoint(int series, double x, double y, std::uint32_t colour, bool dashed) override {
    Runs& runs = RunsOf(series);
    if (runs.graphs.empty() || runs.colour != colour) {
      QCPGraph* run = plot_->addGraph();
      run->setPen(QPen(FromBgr(colour), 1.5, dashed ? Qt::DashLine : Qt::SolidLine));
      run->setLineStyle(QCPGraph::lsLine);
      run->setAdaptiveSampling(true);
      if (!runs.graphs.empty()) run->addData(runs.lastX, runs.lastY);
      runs.graphs.push_back(run);
      runs.colour = colour;
    }
    runs.graphs.back()->addData(x, y);
    runs.lastX = x;
    runs.lastY = y;
  }

  void ClearSeries(int series) override {
    for (QCPGraph* run : RunsOf(series).graphs)
      plot_->removeGraph(run);
    RunsOf(series) = Runs{};
  }

  void SetDashed(int series, bool dashed) override {
    for (QCPGraph* run : RunsOf(series).graphs) {
      QPen pen = run->pen();
      pen.setStyle(dashed ? Qt::DashLine : Qt::SolidLine);
      run->setPen(pen);
    }
  }

  Range AxisRange(Axis axis) const override {
    const QCPRange range = At(axis).range();
    return {range.lower, range.upper};
  }
  void SetAxisRange(Axis axis, double lower, double upper) override {
    At(axis).setRange(lower, upper);
  }
  void ScaleAxis(Axis axis, double factor, double centre) override {
    At(axis).scaleRange(factor, centre);
  }

  void Replot(bool fitLeft) override {
    if (fitLeft) plot_->yAxis->rescale(true);
    plot_->replot(QCustomPlot::rpImmediateRefresh);
  }

  QPointF ToPixels(double x, double y) const override {
    return {plot_->xAxis->coordToPixel(x), plot_->yAxis->coordToPixel(y)};
  }
  double BottomAt(double pixelX) const override { return plot_->xAxis->pixelToCoord(pixelX); }

  // PNG at the chart's size on screen; SVG and PDF as vector graphics.
  QByteArray Picture(const QString& format, const QString& title) const override {
    const int width = plot_->width(), height = plot_->height();
    QBuffer picture;
    picture.open(QIODevice::WriteOnly);
    bool drawn = false;
    if (format == QLatin1String("png")) {
      drawn = plot_->toPixmap(width, height).save(&picture, "PNG");
    } else if (format == QLatin1String("svg")) {
      QSvgGenerator svg;
      svg.setOutputDevice(&picture);
      svg.setSize(QSize(width, height));
      svg.setViewBox(QRect(0, 0, width, height));
      svg.setTitle(title);
      drawn = DrawInto(svg, width, height);
    } else if (format == QLatin1String("pdf")) {
      QPdfWriter pdf(&picture);
      pdf.setPageSize(QPageSize(QSizeF(width, height), QPageSize::Point));
      pdf.setPageMargins(QMarginsF());
      pdf.setResolution(72);
      drawn = DrawInto(pdf, width, height);
    }
    return drawn ? picture.data() : QByteArray();
  }

 private:
  struct Runs {
    std::vector<QCPGraph*> graphs;
    std::uint32_t colour = 0;
    double lastX = 0, lastY = 0;
  };

  QCPAxis& At(Axis axis) const {
    switch (axis) {
      case Axis::Left:
        return *plot_->yAxis;
      case Axis::Shown:
        return *plot_->xAxis;
      case Axis::Followed:
        break;
    }
    return *plot_->xAxis2;
  }

  Runs& RunsOf(int series) {
    if (static_cast<std::size_t>(series) >= runs_.size())
      runs_.resize(static_cast<std::size_t>(series) + 1);
    return runs_[static_cast<std::size_t>(series)];
  }

  bool DrawInto(QPaintDevice& device, int width, int height) const {
    QCPPainter painter;
    if (!painter.begin(&device)) return false;
    plot_->toPainter(&painter, width, height);
    return painter.end();
  }

  QCustomPlot* plot_;
  std::vector<Runs> runs_;
};

std::unique_ptr<ChartCanvas> MakeCanvas(QWidget& host, const ChartCanvas::Range ranges[3],
                                        std::function<void()> shownRangeChanged) {
  return std::make_unique<QcpCanvas>(host, ranges, std::move(shownRangeChanged));
}

constexpr ChartEntry kEntry{MakeCanvas};

}  // namespace

}  // namespace orbek

extern "C" __attribute__((visibility("default"))) const orbek::ChartEntry* orbek_chart_entry() {
  return &orbek::kEntry;
}
