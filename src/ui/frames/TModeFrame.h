#pragma once

#include <QWidget>

class QAction;
class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSplitter;
class QToolBar;
class QTreeView;
class RepliesModel;

// What the five mode frames have in common: the run settings that every mode
// reads, the Start / Stop / Auto tasks buttons, and the two result panes (the
// host or hop view with its tool bar above, the replies grid with its tool
// bar below). Members carry the names the rest of the program uses for them.
class TModeFrame : public QWidget {
  Q_OBJECT

 public:
  ~TModeFrame() override;

  QGroupBox* GroupBoxParam = nullptr;  // caption: the shown page's name
  QRadioButton* RadioButtonRetries = nullptr;
  QLineEdit* EditRetries = nullptr;
  QRadioButton* RadioButtonMinutes = nullptr;
  QLineEdit* EditMinutes = nullptr;
  QLineEdit* EditTimeOut = nullptr;
  QLineEdit* EditDelay = nullptr;
  QLineEdit* EditBytes = nullptr;
  QCheckBox* CheckBoxResolveHostName = nullptr;
  QCheckBox* CheckBoxShowReplys = nullptr;
  QPushButton* BitBtnStart = nullptr;
  QPushButton* BitBtnStop = nullptr;  // disabled until a run starts
  QPushButton* BitBtnTasks = nullptr;

  // The result pane sits above the replies pane in a splitter, so the user
  // can move the border and the settings file can keep its height.
  QSplitter* SplitterResult = nullptr;
  QGroupBox* GroupBoxResult = nullptr;  // "Hosts" or "Hops"
  QToolBar* ToolBar1 = nullptr;
  QAction* ToolButton5 = nullptr;       // "Open result folder"
  QAction* ToolButton1 = nullptr;       // "Save result"
  QAction* ToolButton2 = nullptr;       // "Save result with replies"
  QAction* ToolButton6 = nullptr;       // "Save IP list"; IP range ping only, else null
  QAction* ToolButton3 = nullptr;       // "Clear result"
  QGroupBox* GroupBoxReplys = nullptr;  // "Replies"
  QToolBar* ToolBar2 = nullptr;
  QAction* ToolButton4 = nullptr;  // "Save result with replies for selected host"
  QTreeView* VirtualStringTree2 = nullptr;
  RepliesModel* Replies = nullptr;  // the model behind VirtualStringTree2

  // The host or hop view of the frame: ListView1, or VirtualStringTree1 on
  // the IP range ping frame.
  virtual QTreeView* HostView() const = 0;

  // The frame's controls in the order they read on screen: the settings row
  // by row, Start, Stop, Auto tasks, the host view, the replies grid. Labels
  // and null entries may be among them.
  const QList<QWidget*>& TabStops() const { return tabStops_; }

  // The height the user gave the result pane (GroupBoxResult), in pixels:
  // the last one set or dragged to, at first the design height. The pane
  // has it whenever the splitter has room for it beside the smallest
  // replies pane, and only the user's drag changes it, so a window that was
  // small once does not keep the pane small.
  static constexpr int DesignResultPaneHeight = 200;
  int ResultPaneHeight() const { return resultPaneHeight_; }
  void SetResultPaneHeight(int height);

 protected:
  // withIpList adds ToolButton6 to ToolBar1.
  TModeFrame(const QString& resultCaption, bool withIpList, QWidget* parent);

  // Places the shared settings and the mode's own controls into
  // GroupBoxParam: the target row first, then the numeric editors in two
  // columns with the mode's extra editor last, the check boxes, the buttons.
  void LayOutParams(const QList<QWidget*>& targetRow, const QString& extraLabel, QLineEdit* extraEdit,
                    const QList<QCheckBox*>& checks);
  // Puts the host view beside ToolBar1 inside GroupBoxResult.
  void PlaceHostView(QTreeView* view);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FitResultPane();

  int resultPaneHeight_ = DesignResultPaneHeight;
  QList<QWidget*> tabStops_;
};

// A line editor with the given length limit, in characters.
QLineEdit* MakeEdit(int maxLength, QWidget* parent);
// A text editor for a field of `utf8Bytes` bytes in the page files.
QLineEdit* MakeTextEdit(int utf8Bytes, QWidget* parent);
