#include "ui/TFormPing.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QSessionManager>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>

#include "automation/Scheduler.h"
#include "pages/PageRegistry.h"
#include "pages/Settings.h"
#include "ui/CopyMenus.h"
#include "ui/EngineHooks.h"
#include "ui/FocusOrder.h"
#include "ui/FrameLayout.h"
#include "ui/HomePageTab.h"
#include "ui/OptionsTab.h"
#include "ui/PageListHandlers.h"
#include "ui/ResultToolBars.h"
#include "ui/RunStart.h"
#include "ui/SlotGuard.h"
#include "ui/TFormAutoTasks.h"
#include "ui/TabViews.h"
#include "ui/WindowPresenter.h"
#include "ui/frames/TFrameMultiPing.h"
#include "ui/frames/TFramePages.h"
#include "ui/frames/TFramePathPing.h"
#include "ui/frames/TFramePing.h"
#include "ui/frames/TFrameRangePing.h"
#include "ui/frames/TFrameTraceroute.h"
#include "ui/views/TabView.h"

namespace {

constexpr int PageListWidth = 220;

bool AskCloseConfirmation(QWidget* parent) {
  return QMessageBox::question(parent, QObject::tr("Confirm"), QObject::tr("Are you sure you want to Close?"),
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

// One measuring tab: the page list on the left, the mode frame beside it.
QWidget* MeasuringTab(TFramePages* pages, TModeFrame* frame) {
  auto* tab = new QWidget;
  auto* layout = new QHBoxLayout(tab);
  pages->setFixedWidth(PageListWidth);
  layout->addWidget(pages);
  layout->addWidget(frame, 1);
  // Tab goes from the page list's buttons into the frame. The frame's chain
  // is set here, once both share one window: Qt treats a window's chain as
  // a ring, so a chain set in the frame alone could run across the frame
  // itself, and moving the frame into the tab would cut it there.
  ChainTabOrder(QList<QWidget*>{pages->ButtonDel} + frame->TabStops());
  return tab;
}

// The scheduler's starts go through the tab's own Start operation, which
// returns only once a run it cut has had its end-of-run actions and the new
// run exists: the walk looks at the page again right after.
void StartScheduledPage(Mode mode, int index, const ScheduledStart& start) {
  StartPage(mode, index, StartArguments{start.fromTask, start.retries, start.minutes, start.byMinutes});
}

}  // namespace

QIcon ProgramIcon() {
  // Three arcs of an echo spreading from a dot, on a rounded square.
  QIcon icon;
  for (const int size : {16, 22, 32, 48, 64}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1f, 0x5f, 0x9f));
    painter.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);
    painter.setBrush(QColor(0x9f, 0xef, 0x6f));
    const QPointF origin(s * 0.22, s * 0.78);
    painter.drawEllipse(origin, s * 0.09, s * 0.09);
    QPen pen(QColor(0x9f, 0xef, 0x6f), std::max(1.0, s * 0.08), Qt::SolidLine, Qt::RoundCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    for (const qreal r : {0.28, 0.46, 0.64})
      painter.drawArc(QRectF(origin.x() - s * r, origin.y() - s * r, 2 * s * r, 2 * s * r), 0, 90 * 16);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

TFormPing::TFormPing(Hooks hooks, QWidget* parent)
    : QMainWindow(parent), hooks_(std::move(hooks)), geometry_(this) {
  if (!hooks_.BindEcho) hooks_.BindEcho = BindEchoEntryPoints;
  if (!hooks_.ConfirmClose) hooks_.ConfirmClose = AskCloseConfirmation;
  // The start state the pages and options must be in before anything is
  // loaded into them; the frames attach their lists to the empty registries.
  ResetRegistries();
  ResetOptions();
  BuildTabs();
  ConnectHandlers();
}

TFormPing::~TFormPing() { FormDestroy(); }

void TFormPing::BuildTabs() {
  setWindowIcon(ProgramIcon());
  PageControl1 = new QTabWidget(this);
  setCentralWidget(PageControl1);

  FramePingPages = new TFramePages;
  FramePing1 = new TFramePing;
  FrameMultiPingPages = new TFramePages;
  FrameMultiPing1 = new TFrameMultiPing;
  FrameRangePingPages = new TFramePages;
  FrameRangePing1 = new TFrameRangePing;
  FrameTraceroutePages = new TFramePages;
  FrameTraceroute1 = new TFrameTraceroute;
  FramePathPingPages = new TFramePages;
  FramePathPing1 = new TFramePathPing;
  PageControl1->addTab(MeasuringTab(FramePingPages, FramePing1), tr(ModeCaption(Mode::Ping)));
  PageControl1->addTab(MeasuringTab(FrameMultiPingPages, FrameMultiPing1), tr(ModeCaption(Mode::MultiPing)));
  PageControl1->addTab(MeasuringTab(FrameRangePingPages, FrameRangePing1), tr(ModeCaption(Mode::RangePing)));
  PageControl1->addTab(MeasuringTab(FrameTraceroutePages, FrameTraceroute1),
                       tr(ModeCaption(Mode::Traceroute)));
  PageControl1->addTab(MeasuringTab(FramePathPingPages, FramePathPing1), tr(ModeCaption(Mode::PathPing)));
  TabSheetOptions = new OptionsTab;
  PageControl1->addTab(TabSheetOptions, tr("Options"));
  TabSheetHomePage = new HomePageTab;
  PageControl1->addTab(TabSheetHomePage, tr("Home page"));

  menus_ = std::make_unique<CopyMenus>();
  views_ = std::make_unique<TabViews>(
      TabFrames{FramePingPages, FramePing1, FrameMultiPingPages, FrameMultiPing1, FrameRangePingPages,
                FrameRangePing1, FrameTraceroutePages, FrameTraceroute1, FramePathPingPages, FramePathPing1},
      *menus_);
  pageLists_ = std::make_unique<PageListHandlers>(*views_);
  saveDialog_ = std::make_unique<ReportSaveDialog>(this);
  if (!hooks_.AskSaveFile)
    hooks_.AskSaveFile = [this](const QString& name) { return saveDialog_->Ask(name); };
  toolBars_ = std::make_unique<ResultToolBars>(*views_, hooks_.AskSaveFile);
  for (const Mode mode : AllModes)
    layouts_[static_cast<std::size_t>(mode)] = std::make_unique<FrameLayout>(views_->ForMode(mode).Frame());

  TrayIcon1 = new QSystemTrayIcon(ProgramIcon(), this);
  TrayIcon1->setToolTip(QStringLiteral("Velquor"));
  TimerStartup = new QTimer(this);
  TimerStartup->setSingleShot(true);
  TimerStartup->setInterval(StartupDelayMs);
  TimerTasks = new QTimer(this);
  TimerTasks->setInterval(TaskIntervalMs);
  TimerSave = new QTimer(this);
  TimerSave->setInterval(SaveIntervalMs);
}

void TFormPing::ConnectHandlers() {
  connect(TimerStartup, &QTimer::timeout, this, [this] { CatchAll([this] { TimerStartupTimer(); }); });
  connect(TimerTasks, &QTimer::timeout, this, [this] { CatchAll([this] { TimerTasksTimer(); }); });
  connect(TimerSave, &QTimer::timeout, this, [this] { TimerSaveTimer(); });
  for (const Mode mode : AllModes)
    connect(views_->ForMode(mode).Frame()->BitBtnTasks, &QPushButton::clicked, this,
            [mode] { CatchAll([mode] { ShowAutoTasks(mode); }); });
  connect(TrayIcon1, &QSystemTrayIcon::activated, this, [this] { TrayIcon1MouseUp(); });
  connect(PageControl1, &QTabWidget::currentChanged, this,
          [this] { CatchAll([this] { menus_->PageControl1Change(); }); });
  // An X session manager asks for a save at a checkpoint and at a log-out
  // alike; only its "die" that may follow ends the session (eventFilter).
  // The pages and settings are the data a request of the global kind asks
  // to commit. One of the local kind asks for what a restart would need:
  // the program keeps no such state, and starting at log-in is its own
  // option, so it saves nothing then (a manager asks so of every client
  // that joins it), and the manager is told, at every request, never to
  // start the program again.
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
      manager.setRestartHint(QSessionManager::RestartNever);
      SaveForSessionManager();
    });
    connect(app, &QGuiApplication::saveStateRequest, this,
            [](QSessionManager& manager) { manager.setRestartHint(QSessionManager::RestartNever); });
    app->installEventFilter(this);
  }
}

bool TFormPing::eventFilter(QObject* watched, QEvent* event) {
  // The session manager's "die" reaches the application as a whole, as its
  // quit, and the toolkit would answer it by closing every window, which
  // asks the user's question and waits; a user's close reaches this window
  // alone. The session ends here first, as a signal ends it. A quit after a
  // confirmed close, or the one EndSessionAndQuit makes itself, goes on.
  if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit && !closeConfirmed_)
    EndSessionAndQuit();
  return QMainWindow::eventFilter(watched, event);
}

ModeLayouts TFormPing::Layouts() const {
  ModeLayouts layouts{};
  for (std::size_t i = 0; i < layouts.size(); ++i) layouts[i] = layouts_[i].get();
  return layouts;
}

void TFormPing::TimerStartupTimer() { StartupTimerTick(StartScheduledPage); }

// Also while a modal dialog is open: its event loop runs this thread's timers.
void TFormPing::TimerTasksTimer() { TasksTimerTick(StartScheduledPage); }

void TFormPing::TrayIcon1MouseUp() {
  CatchAll([this] { ShowAndActivate(*this); });
}

void TFormPing::WMShowMainWindow(const LaunchActivation& given) {
  // Before start-up has finished there is no window to show yet.
  if (!initialised_) return;
  CatchAll([&] { PresentToUser(*this, given); });
}

void TFormPing::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  CatchAll([this] {
    // Minimised windows go to the tray, but only where a tray exists to bring
    // them back from.
    if (isMinimized() && TrayIcon1->isVisible() && QSystemTrayIcon::isSystemTrayAvailable())
      QTimer::singleShot(0, this, &QWidget::hide);
  });
}

void TFormPing::closeEvent(QCloseEvent* event) {
  bool canClose = false;
  CatchAll([&] { canClose = FormCloseQuery(); });
  if (!canClose) {
    event->ignore();
    return;
  }
  CatchAll([this] { FormClose(); });
  event->accept();
}

bool TFormPing::FormCloseQuery() {
  if (closeConfirmed_) return true;
  if (!hooks_.ConfirmClose(this)) return false;
  if (!SaveBeforeClose()) return false;
  closeConfirmed_ = true;
  return true;
}

void TFormPing::FormClose() {
  emit SessionClosing();
  TimerSave->stop();
  TimerTasks->stop();
  TrayIcon1->hide();
  hide();
}
