#include "desktop/WaitHourglassUnit.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <atomic>

#include "desktop/EngineWorker.h"

namespace kiv {

namespace {

std::atomic<bool> g_silent{false};
QPointer<TFormWait> g_wait;

// One frame: the hourglass outline with sand running from the top bulb to
// the bottom one, step of count.
QPixmap DrawHourglass(int step, int count) {
  QPixmap pm(40, 50);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QPolygonF top({{8, 6}, {32, 6}, {20, 25}});
  QPolygonF bottom({{20, 25}, {32, 44}, {8, 44}});
  double f = double(step) / double(count - 1);  // share of the sand run down
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xd8, 0xb0, 0x50));
  // Top sand shrinks towards the neck, bottom sand grows from the base.
  double ty = 6 + 19 * f;
  p.drawPolygon(QPolygonF({{8 + 12 * (ty - 6) / 19, ty}, {32 - 12 * (ty - 6) / 19, ty}, {20, 25}}));
  double by = 44 - 19 * f;
  p.drawPolygon(QPolygonF({{8 + 12 * (44 - by) / 19, by}, {32 - 12 * (44 - by) / 19, by}, {32, 44}, {8, 44}}));
  if (step < count - 1) p.drawRect(QRectF(19.5, 25, 1, 19));
  p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.5));
  p.setBrush(Qt::NoBrush);
  p.drawPolygon(top);
  p.drawPolygon(bottom);
  p.drawLine(QPointF(6, 5), QPointF(34, 5));
  p.drawLine(QPointF(6, 45), QPointF(34, 45));
  return pm;
}

}  // namespace

const QList<QPixmap>& HourglassFrames() {
  static const QList<QPixmap> frames = [] {
    QList<QPixmap> f;
    const int n = 8;
    for (int i = 0; i < n; ++i) f.push_back(DrawHourglass(i, n));
    return f;
  }();
  return frames;
}

void SetSilent(bool silent) { g_silent = silent; }
bool Silent() { return g_silent; }

TFormWait::TFormWait(const QString& caption, const QString& text, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint) {
  setObjectName("FormWait");
  setWindowTitle(caption.isEmpty() ? QStringLiteral("Waiting...") : caption);
  auto* layout = new QHBoxLayout(this);
  ImageHourglass = new QLabel(this);
  ImageHourglass->setObjectName("ImageHourglass");
  ImageHourglass->setFixedSize(40, 50);
  StaticTextLabel = new QLabel(text, this);
  StaticTextLabel->setObjectName("StaticTextLabel");
  StaticTextLabel->setMinimumWidth(240);
  StaticTextLabel->setWordWrap(true);
  layout->addWidget(ImageHourglass);
  layout->addWidget(StaticTextLabel, 1);
  TimerHourglass = new QTimer(this);
  TimerHourglass->setInterval(500);
  connect(TimerHourglass, &QTimer::timeout, this, &TFormWait::TimerHourglassTimer);
}

void TFormWait::showEvent(QShowEvent* e) {
  frame_ = 0;
  ImageHourglass->setPixmap(HourglassFrames()[0]);
  TimerHourglass->start();
  QDialog::showEvent(e);
}

void TFormWait::closeEvent(QCloseEvent* e) { e->ignore(); }

void TFormWait::TimerHourglassTimer() {
  frame_ = (frame_ + 1) % HourglassFrames().size();
  ImageHourglass->setPixmap(HourglassFrames()[frame_]);
}

StatusCode WaitRun(const QString& caption, const QString& text, std::function<StatusCode()> call) {
  if (Silent()) return EngineWorker::Instance().Run(nullptr, std::move(call));
  TFormWait window(caption, text);
  g_wait = &window;
  StatusCode r = EngineWorker::Instance().Run(&window, std::move(call));
  g_wait = nullptr;
  return r;
}

void WaitHide() {
  if (g_wait) g_wait->hide();
}

void WaitShowAgain() {
  if (g_wait) g_wait->show();
}

}  // namespace kiv
