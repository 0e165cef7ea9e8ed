#include "shell/PrfMain.h"

#include "acquisition/AcquisitionPanel.h"
#include "acquisition/PrfEdit.h"
#include "acquisition/ScanCommands.h"
#include "acquisition/ZoneChecks.h"
#include "controls/Controls.h"
#include "controls/LineDelegate.h"
#include "controls/NormalPointer.h"
#include "controls/QtText.h"
#include "controls/WindowPlacement.h"
#include "core/SettingsEvents.h"
#include "document/DocumentCommands.h"
#include "document/Recovery.h"
#include "document/ZonesFile.h"
#include "geometry/ModZone.h"
#include "geometry/PointCommands.h"
#include "geometry/ZoneTable.h"
#include "graph/FormPrint.h"
#include "graph/ProfileGraph.h"
#include "results/PointComputation.h"
#include "results/ResultLists.h"
#include "shell/AboutFrm.h"
#include "shell/BatchEditor.h"
#include "shell/DocumentInfo.h"
#include "shell/RecoveryDialog.h"
#include "shell/Startup.h"
#include "shell/UserInfo.h"

#include <QApplication>
#include <QButtonGroup>
#include <QChartView>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <string_view>
#include <vector>

namespace kest {
namespace {

constexpr int kDefaultWidth = 1100;
constexpr int kPointListColumns = 61;  // a row, its label and " unmeasured"
constexpr int kDefaultHeight = 750;

struct MenuItem {
    const char* name;
    const char* caption;  // "-" is a separator
};

struct MenuLayout {
    const char* name;
    const char* caption;
    std::vector<MenuItem> items;
};

const std::vector<MenuLayout>& Menus() {
    static const std::vector<MenuLayout> menus{
        {"MnuFile", "&File",
         {{"MnuNew", "&New"}, {"MnuOpen", "&Open..."}, {"MnuSave", "&Save"}, {"MnuSaveAs", "Save &As..."},
          {"MnuInfo", "&Info..."}, {"MnuNull0", "-"}, {"MnuExportCsv", "Export &CSV..."},
          {"MnuExportChart", "Export C&hart..."}, {"MnuPrintGraph", "&Print Graph..."}, {"MnuNull1", "-"},
          {"MnuExit", "E&xit"}}},
        {"MnuZones", "&Zones",
         {{"MnuEditZone", "&Edit..."}, {"MnuAddZone", "&Add"}, {"MnuDelZone", "&Del"}, {"MnuUpZone", "&Up"},
          {"MnuDownZone", "&Down"}, {"MnuNull10", "-"}, {"MnuLoadZones", "&Load..."}}},
        {"MnuPoints", "&Points", {{"MnuAddPoints", "&Add"}, {"MnuDelPoint", "&Del"}}},
        {"MnuScan", "&Scan", {{"MnuScanAll", "&Scan New"}, {"MnuScanOld", "Scan &Old"}, {"MnuScanPoint", "Scan &Point"}, {"MnuNull20", "-"},
                               {"MnuPause", "P&ause"}, {"MnuResume", "&Resume"}, {"MnuNull21", "-"}, {"MnuBatch", "&Batch..."}}},
    };
    return menus;
}

// Commands that sit on the menu bar itself.
const std::vector<MenuItem>& BarCommands() {
    static const std::vector<MenuItem> commands{{"MnuReCompute", "&ReCompute! "}, {"MnuAbout", "&?"}};
    return commands;
}

// The lists are lines of fixed-width columns: their headings and rows need a fixed pitch,
// and a heading starts where the text of the rows starts, the list's frame and the item's
// text margin in.
QLabel* Heading(const char* name, const char* text, const QListWidget* list) {
    auto* label = new QLabel(QString::fromLatin1(text));
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setFont(list->font());
    label->setIndent(list->frameWidth() + list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
    return label;
}

// `columns` characters of every row are always in view, beside the scroll bar.
QListWidget* List(const char* name, QAbstractItemView::SelectionMode mode, int columns) {
    auto* list = new QListWidget;
    list->setObjectName(QString::fromLatin1(name));
    list->setFont(FixedPitchFont());
    const int margins = 2 * (list->frameWidth() + list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
    list->setMinimumWidth(QFontMetrics(list->font()).horizontalAdvance(QString(columns, QLatin1Char('0'))) + margins +
                          list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list));
    list->setSelectionMode(mode);
    list->setUniformItemSizes(true);
    list->setTextElideMode(Qt::ElideNone);  // rows end in blanks: nothing to mark as cut
    list->setItemDelegate(new LineDelegate(list));
    return list;
}

QPushButton* Button(const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromLatin1(caption));
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QToolButton* ArrowButton(const char* name, Qt::ArrowType arrow, const char* tip) {
    auto* button = new QToolButton;
    button->setObjectName(QString::fromLatin1(name));
    button->setArrowType(arrow);
    button->setToolTip(QString::fromLatin1(tip));
    return button;
}

QLineEdit* TextBox(const char* name) {
    QLineEdit* edit = TextField(name);
    edit->setMaximumWidth(90);
    return edit;
}

// The lists show what the logic gives them; their signals report only the operator's choices.
void ShowLines(QListWidget* list, const std::vector<std::string>& lines) {
    const QSignalBlocker quiet(list);
    QStringList items;
    items.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines) items.append(ToQString(line));
    list->clear();
    list->addItems(items);
}

// Rows from `first` on replaced or appended, rows from `count` on removed; the selection
// goes, as it does when the list is refilled.
void UpdateLines(QListWidget* list, int first, const std::vector<std::string>& lines, int count) {
    const QSignalBlocker quiet(list);
    while (list->count() > count) delete list->takeItem(list->count() - 1);
    for (std::size_t i = 0; i < lines.size() && first + static_cast<int>(i) < count; ++i) {
        const QString text = ToQString(lines[i]);
        if (QListWidgetItem* item = list->item(first + static_cast<int>(i)))
            item->setText(text);
        else
            list->addItem(text);
    }
    // Only what changes is touched: a list told it changed paints all its rows again.
    if (list->currentItem()) list->setCurrentItem(nullptr);
    if (!list->selectedItems().isEmpty()) list->clearSelection();
}

void SelectRow(QListWidget* list, int row) {
    const QSignalBlocker quiet(list);
    list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

std::vector<int> SelectedRows(const QListWidget* list) {
    std::vector<int> rows;
    for (const QListWidgetItem* item : list->selectedItems()) rows.push_back(list->row(item));
    std::sort(rows.begin(), rows.end());
    return rows;
}

}  // namespace

PrfMain::PrfMain(ProfileState& state, Suite& suite, QWidget* parent)
    : QMainWindow(parent), state_(state), suite_(suite) {
    setObjectName(QStringLiteral("PrfMain"));
    setWindowTitle(QString::fromLatin1(kProgramTitle));
    buildMenus();
    setCentralWidget(buildLists());
    buildStatusBar();

    dialogOpen_ = new QFileDialog(this, QStringLiteral("Load Zones"));
    dialogOpen_->setObjectName(QStringLiteral("DialogOpen"));
    dialogOpen_->setFileMode(QFileDialog::ExistingFile);
    // Qt's own dialog matches the filter regardless of case, so it lists .PRF files too; a
    // desktop's native dialog might not.
    dialogOpen_->setOption(QFileDialog::DontUseNativeDialog);
    dialogOpen_->setNameFilter(QStringLiteral("profile (*.prf)"));
    dialogOpen_->hide();

    connectSettings();
    connectCommands();
    assignShortcuts();
    buildRecentMenu();
    connectExportCommands();
    connectGraph();
    resize(kDefaultWidth, kDefaultHeight);
}

PrfMain::~PrfMain() = default;

// The zone, element and settings panels above, the points and the graph below, with a
// splitter between them that gives the points the height the window gains.
QWidget* PrfMain::buildLists() {
    auto* top = new QWidget;
    auto* upper = new QHBoxLayout(top);
    upper->setContentsMargins(0, 0, 0, 0);
    upper->addWidget(buildZonesPanel(), 3);
    upper->addWidget(buildElementsPanel(), 2);
    upper->addWidget(buildSettingsPanel(), 0);

    graph_.widget()->setMinimumSize(300, 250);  // shown once there are points to draw

    // The graph takes the larger share whenever it shows; hidden, the points take it all.
    auto* bottom = new QWidget;
    auto* lower = new QHBoxLayout(bottom);
    lower->setContentsMargins(0, 0, 0, 0);
    lower->addWidget(buildPointsPanel(), 2);
    lower->addWidget(graph_.widget(), 3);

    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->setObjectName(QStringLiteral("ListSplitter"));
    splitter->addWidget(top);
    splitter->addWidget(bottom);
    splitter->setChildrenCollapsible(false);  // neither area is ever cut to nothing
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({top->minimumSizeHint().height(), kDefaultHeight});
    // A scan's acquisition window: a panel under the lists, for as long as the scan runs.
    panel_ = new AcquisitionPanel(state_, suite_, *this);
    panel_->hide();
    panel_->pauseOrResume = [this] { pauseOrResume(); };
    panel_->stopped = [this] {
        if (hold_) hold_->quit();
    };
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(splitter, 1);
    layout->addWidget(panel_);
    return central;
}

void PrfMain::buildMenus() {
    for (const MenuLayout& layout : Menus()) {
        auto* menu = menuBar()->addMenu(QString::fromLatin1(layout.caption));
        menu->setObjectName(QString::fromLatin1(layout.name));
        menu->menuAction()->setObjectName(QString::fromLatin1(layout.name));
        for (const MenuItem& item : layout.items) {
            QAction* action = std::string_view(item.caption) == "-" ? menu->addSeparator()
                                                                    : menu->addAction(QString::fromLatin1(item.caption));
            action->setObjectName(QString::fromLatin1(item.name));
        }
    }
    for (const MenuItem& item : BarCommands()) {
        QAction* action = menuBar()->addAction(QString::fromLatin1(item.caption));
        action->setObjectName(QString::fromLatin1(item.name));
    }
}

QWidget* PrfMain::buildZonesPanel() {
    zonList_ = List("ZonList", QAbstractItemView::SingleSelection, 33);
    zonList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // past the tag a line is only blanks
    add_ = Button("Add", "Add");
    del_ = Button("Del", "Del");
    up_ = ArrowButton("Up", Qt::UpArrow, "Move the zone up");
    down_ = ArrowButton("Down", Qt::DownArrow, "Move the zone down");

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(add_);
    buttons->addWidget(del_);
    auto* arrows = new QHBoxLayout;
    arrows->addWidget(up_);
    arrows->addWidget(down_);
    buttons->addLayout(arrows);
    buttons->addStretch();

    auto* row = new QHBoxLayout;
    row->addWidget(zonList_, 1);
    row->addLayout(buttons);

    auto* panel = new QGroupBox(QStringLiteral("Zones"));
    auto* layout = new QVBoxLayout(panel);
    layout->addWidget(Heading("Label6", kZoneListHeading, zonList_));
    layout->addLayout(row);
    return panel;
}

QWidget* PrfMain::buildElementsPanel() {
    eltList_ = List("EltList", QAbstractItemView::SingleSelection, 19);
    eltList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // past the spectrometer only blanks
    auto* panel = new QGroupBox(QStringLiteral("Elements"));
    auto* layout = new QVBoxLayout(panel);
    layout->addWidget(Heading("Label2", kElementListHeading, eltList_));
    layout->addWidget(eltList_, 1);
    return panel;
}

// Two columns of option panels over the three texts: short, so that the points below keep
// the height.
QWidget* PrfMain::buildSettingsPanel() {
    auto* panel = new QGroupBox(QStringLiteral("Settings"));
    auto* layout = new QGridLayout(panel);
    layout->addWidget(OptionPanel(this, optNC_, "OptNC", "Label4", "NC", {"1", "5", "10", "15"}), 0, 0);
    layout->addWidget(OptionPanel(this, omp_, "OMP", "Label7", "Multi Points", {"1", "3", "5"}), 0, 1);
    layout->addWidget(OptionPanel(this, optXY_, "OptXY", "Label8", "Active Axis", {"X", "Y"}), 1, 0);
    layout->addWidget(OptionPanel(this, option1_, "Option1", nullptr, "Graph", {"All", "Sel"}), 1, 1);

    defTime_ = TextBox("DefTime");
    pattern_ = TextBox("Pattern");
    offset_ = TextBox("Offset");
    auto* texts = new QGridLayout;
    AddFieldRow(texts, 0, Caption("Label3", "Time(s)"), defTime_);
    AddFieldRow(texts, 1, Caption("Label9", "dPoints"), pattern_);
    texts->addWidget(Caption("Label10", "d0"), 0, 2, Qt::AlignRight);
    texts->addWidget(offset_, 0, 3);
    layout->addLayout(texts, 2, 0, 1, 2);
    layout->setRowStretch(3, 1);
    return panel;
}

QWidget* PrfMain::buildPointsPanel() {
    pntList_ = List("PntList", QAbstractItemView::ExtendedSelection, kPointListColumns);
    pntList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // past the status only blanks
    addPoint_ = Button("AddPoint", "Add");
    deletePoint_ = Button("DeletePoint", "Del");
    scan_ = Button("Scan", "Scan");
    ana_ = Button("Ana", "Ana");

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(addPoint_);
    buttons->addWidget(deletePoint_);
    buttons->addStretch();
    buttons->addWidget(scan_);
    buttons->addWidget(ana_);

    auto* panel = new QGroupBox(QStringLiteral("Points"));
    auto* layout = new QVBoxLayout(panel);
    layout->addWidget(Heading("Label5", kPointListHeading, pntList_));
    layout->addWidget(pntList_, 1);
    layout->addLayout(buttons);
    return panel;
}

void PrfMain::connectSettings() {
    connect(optNC_, &QButtonGroup::idClicked, this, [this](int index) { OptNCClicked(state_, index); });
    connect(omp_, &QButtonGroup::idClicked, this, [this](int index) { OMPClicked(state_, index); });
    connect(optXY_, &QButtonGroup::idClicked, this, [this](int index) { OptXYClicked(state_, index); });
    // The settings the zones file keeps: changing one is unsaved work.
    for (QButtonGroup* group : {optNC_, omp_, optXY_})
        connect(group, &QButtonGroup::idClicked, this, &PrfMain::showUnsavedState);
    for (QLineEdit* text : {pattern_, offset_}) connect(text, &QLineEdit::textChanged, this, &PrfMain::showUnsavedState);
    connect(option1_, &QButtonGroup::idClicked, this, [this](int index) {
        Option1Clicked(state_, index);
        RebuildProfileGraph(state_, suite_.db, *this);
    });
    connect(pattern_, &QLineEdit::textChanged, this, [this](const QString& text) { PatternChanged(state_, ToLatin1(text)); });
    connect(offset_, &QLineEdit::textChanged, this, [this](const QString& text) { OffsetChanged(state_, ToLatin1(text)); });
    offset_->installEventFilter(this);  // leaving the offset redraws the graph
    // What Scan New would take follows the settings it depends on.
    for (QButtonGroup* group : {optNC_, omp_}) connect(group, &QButtonGroup::idClicked, this, &PrfMain::showScanPlan);
    for (QLineEdit* text : {defTime_, pattern_}) connect(text, &QLineEdit::textChanged, this, &PrfMain::showScanPlan);
}

void PrfMain::connectCommands() {
    // The other commands and the list events are connected by the parts of the program
    // that run them.
    onCommand("MnuNew", nullptr, run(NewCommand));
    onCommand("MnuOpen", nullptr, run(OpenCommand));
    onCommand("MnuSave", nullptr, run(SaveCommand));
    onCommand("MnuSaveAs", nullptr, run(SaveAsCommand));
    connect(command("MnuExit"), &QAction::triggered, this, &QWidget::close);
    connectZoneCommands();
    connectPointCommands();
    connectWindowCommands();
}

void PrfMain::onCommand(const char* name, QAbstractButton* button, std::function<void()> operation) {
    const auto then = [this, operation = std::move(operation)] {
        operation();
        showUnsavedState();
    };
    connect(command(name), &QAction::triggered, this, then);
    if (button) connect(button, &QAbstractButton::clicked, this, then);  // works while the item is greyed
}

void PrfMain::showUnsavedState() {
    if (!started_) return;
    ShowUnsavedState(state_, suite_, *this);
    unsavedStatus_->setText(HasUnsavedChanges(state_, suite_) ? QStringLiteral("Unsaved changes") : QString());
}

std::function<void()> PrfMain::run(void (*operation)(ProfileState&, MainView&)) {
    return [this, operation] { operation(state_, *this); };
}

void PrfMain::connectZoneCommands() {
    onCommand("MnuEditZone", nullptr, run(EditZone));
    onCommand("MnuAddZone", add_, [this] { AddZone(state_, *this); });
    onCommand("MnuDelZone", del_, run(DeleteZone));
    onCommand("MnuUpZone", up_, run(MoveZoneUp));
    onCommand("MnuDownZone", down_, run(MoveZoneDown));
    onCommand("MnuLoadZones", nullptr, run(LoadZones));

    // A click, or a row chosen with the keyboard; rows selected by the program are not
    // reported here (the list's signals are blocked then).
    const auto clicked = [this] {
        if (const auto rows = selectedZoneRows(); !rows.empty()) ZoneRowClicked(state_, *this, rows.front());
    };
    connect(zonList_, &QListWidget::itemSelectionChanged, this, clicked);
    connect(zonList_, &QListWidget::itemClicked, this, clicked);
    connect(zonList_, &QListWidget::itemDoubleClicked, this, [this] {
        if (scanning()) return;
        EditZone(state_, *this);
        showUnsavedState();
    });
}

void PrfMain::connectPointCommands() {
    onCommand("MnuAddPoints", addPoint_, run(AddPoint));
    onCommand("MnuDelPoint", deletePoint_, run(DeletePoints));
    // Rows chosen by the operator, with the mouse or the keyboard; the program's own
    // choices are not reported (the lists' signals are blocked then).
    connect(eltList_, &QListWidget::itemSelectionChanged, this, [this] {
        if (const int row = eltList_->currentRow(); row >= 0) ElementRowClicked(state_, suite_, *this, row);
    });
    // Every change of the selection counts: with "Sel" a row added with Ctrl changes the graph.
    connect(pntList_, &QListWidget::itemSelectionChanged, this, [this] {
        if (const int row = pntList_->currentRow(); row >= 0) PointRowClicked(state_, suite_.db, *this, row);
    });
    onCommand("MnuScanAll", scan_, run(ScanNew));
    onCommand("MnuScanOld", nullptr, run(ScanOld));
    onCommand("MnuScanPoint", nullptr, run(ScanPoint));
    onCommand("MnuBatch", nullptr, [this] { openBatchEditor(); });
    onCommand("MnuPause", nullptr, [this] { pauseOrResume(); });
    onCommand("MnuResume", nullptr, [this] { pauseOrResume(); });
    connect(pntList_, &QListWidget::itemDoubleClicked, this, [this, scanPoint = run(ScanPoint)] {
        if (!scanning()) scanPoint();
    });
    onCommand("MnuReCompute", nullptr, run(RecomputeAll));
}

void PrfMain::connectWindowCommands() {
    onCommand("MnuInfo", nullptr, [this] { InfoCommand(state_, suite_.db, *this); });
    onCommand("MnuPrintGraph", nullptr, [this] {
        FormPrint dialog(state_, suite_.db, this);
        dialog.exec();
    });
    onCommand("MnuAbout", nullptr, [this] { AboutCommand(state_, *this); });
    connect(ana_, &QPushButton::clicked, this, [this] { StartAnalysisProgram(suite_.ana, *this); });
}

void PrfMain::showDocumentInfo() {
    UserInfo dialog(state_, suite_.db, this);
    dialog.exec();
}

void PrfMain::showAbout() {
    AboutFrm about(state_.DialogArg1, this);
    about.exec();
}

int PrfMain::currentPointRow() const { return pntList_->selectedItems().isEmpty() ? -1 : pntList_->currentRow(); }

void PrfMain::acquirePoint() {
    showUnsavedState();  // a scan's first point marks the caption at once
    if (state_.AutoAcquire != kFalse) {
        panel_->show();
        panel_->acquireCurrentPoint();
        showUnsavedState();
        showInstrument();
        return;
    }
    PrfEdit window(state_, suite_, *this, this);
    acquisitionWindow_ = &window;
    window.exec();
    acquisitionWindow_ = nullptr;
    showUnsavedState();
    showInstrument();
}

QAction* PrfMain::command(const char* name) const { return findChild<QAction*>(QString::fromLatin1(name)); }

void PrfMain::startUp(const std::string& zonesText) {
    centreOnScreen();
    started_ = true;
    StartUp(state_, suite_, *this);
    if (!zonesText.empty()) {
        LoadZonesText(state_, *this, zonesText);
        TakeZonesAsSaved(state_);
    }
    OfferRecovery(state_, suite_, *this);
    showUnsavedState();
}

void PrfMain::centreOnScreen() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect room = screen->availableGeometry();
    resize(std::min(width(), room.width()), std::min(height(), room.height()));
    CentreOnScreen(*this);
}

void PrfMain::closeEvent(QCloseEvent* event) {
    if (acquisitionWindow_ || scanning()) {  // a scan runs below: it ends after this point, then the window closes
        event->ignore();
        if (closeWhenDone_) return;
        if (!keepWorkOnClose_ && !acquisitionWindow_ && !panel_->confirmStop()) return;  // it goes on
        closeWhenDone_ = true;
        if (acquisitionWindow_) {
            state_.ScanStop = kTrue;
            acquisitionWindow_->stopCounting();
            static_cast<QDialog*>(acquisitionWindow_)->reject();
        } else {
            panel_->stopNow();
        }
        return;
    }
    closeWhenDone_ = false;
    if (started_ && !keepWorkOnClose_ && !SaveChangesFirst(state_, suite_, *this)) {
        event->ignore();
        return;
    }
    if (started_) {
        started_ = false;
        ShutDown(state_, suite_, *this, keepWorkOnClose_);
    }
    if (busy_) setBusy(false);
    QMainWindow::closeEvent(event);
}

bool PrfMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == offset_ && event->type() == QEvent::FocusOut) DrawProfileGraph(state_, suite_.db, graph_);
    return QMainWindow::eventFilter(watched, event);
}

// During a batch the caption names the document the line is saved as, not the new
// document's name that it has until then.
void PrfMain::setCaption(const std::string& text) {
    std::string caption = text;
    if (batchLineDocument_)
        caption = state_.AppLabel + " [" + *batchLineDocument_ + "]" + (!text.empty() && text.back() == '*' ? "*" : "");
    setWindowTitle(ToQString(caption));
}
std::string PrfMain::currentCaption() const { return ToText(windowTitle()); }

std::string PrfMain::defTimeText() const { return ToLatin1(defTime_->text()); }
void PrfMain::setDefTimeText(const std::string& text) { defTime_->setText(ToQString(text)); }
std::string PrfMain::patternText() const { return ToLatin1(pattern_->text()); }
void PrfMain::setPatternText(const std::string& text) { pattern_->setText(ToQString(text)); }
void PrfMain::setOffsetText(const std::string& text) { offset_->setText(ToQString(text)); }

void PrfMain::selectOptNC(int index) { ShowChoice(optNC_, index); }
int PrfMain::selectedOptNC() const { return optNC_->checkedId(); }
void PrfMain::selectOptXY(int index) { ShowChoice(optXY_, index); }
void PrfMain::selectOMP(int index) { ShowChoice(omp_, index); }
void PrfMain::selectOption1(int index) { ShowChoice(option1_, index); }

void PrfMain::showMessage(const std::string& text) { ShowMessageBox(this, text); }

// Every box of the window carries the program's name, whatever title the logic gives.
bool PrfMain::confirm(const std::string& text, const std::string& /*title*/) {
    const NormalPointerWhileAsking pointer;
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kProgramTitle), ToQString(text),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    return box.exec() == QMessageBox::Ok;
}

MainView::SaveChoice PrfMain::askSaveChanges(const std::string& question) {
    const NormalPointerWhileAsking pointer;
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kProgramTitle), ToQString(question),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
        case QMessageBox::Save: return SaveChoice::Save;
        case QMessageBox::Discard: return SaveChoice::Discard;
        default: return SaveChoice::Cancel;
    }
}

MainView::RecoveryChoice PrfMain::askRecovery(const std::vector<std::string>& lines) {
    const NormalPointerWhileAsking pointer;
    RecoveryDialog dialog(lines, this);
    dialog.exec();
    return dialog.choice();
}

void PrfMain::setBusy(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void PrfMain::setZoneCommandsEnabled(bool enabled) {
    zoneCommandsWanted_ = enabled;
    for (const char* name : {"MnuEditZone", "MnuDelZone", "MnuUpZone", "MnuDownZone"})
        command(name)->setEnabled(enabled && !scanning());
}

void PrfMain::showZoneLines(const std::vector<std::string>& lines) {
    ShowLines(zonList_, lines);
    showScanPlan();
}

std::vector<int> PrfMain::selectedZoneRows() const { return SelectedRows(zonList_); }

void PrfMain::selectZoneRow(int row) { SelectRow(zonList_, row); }

void PrfMain::showElementLines(const std::vector<std::string>& lines) {
    ShowLines(eltList_, lines);
    showScanPlan();
}

void PrfMain::selectElementRow(int row) { SelectRow(eltList_, row); }

// After every point of a scan the list gets that point's row alone; the rows shown stay put,
// and while its last row is in view a new last row is brought into view, so that the
// operator can watch the newest point. A refill from the first row keeps the row shown at
// the top.
void PrfMain::updatePointLines(int first, std::vector<std::string> lines, int count) {
    const QScrollBar* bar = pntList_->verticalScrollBar();
    const bool following = bar->value() == bar->maximum() && count == pntList_->count() + 1;
    if (first <= 0) {
        const int top = pntList_->indexAt(QPoint(0, 0)).row();
        lines.resize(static_cast<std::size_t>(std::max(count, 0)));
        ShowLines(pntList_, lines);
        if (QListWidgetItem* item = !following && top > 0 ? pntList_->item(top) : nullptr)
            pntList_->scrollToItem(item, QAbstractItemView::PositionAtTop);
    } else {
        UpdateLines(pntList_, first, lines, count);
    }
    if (following) pntList_->scrollToBottom();
}

std::vector<int> PrfMain::selectedPointRows() const { return SelectedRows(pntList_); }

// The editor warns about a zone the scan would refuse; the scan still checks every zone.
void PrfMain::editZone(ZoneRecord& zone) {
    const int index = state_.CurZone;
    ModZone editor(zone, this, [this, index](const ZoneRecord& edited) { return ScanRefusalWith(state_, index, edited); });
    editor.exec();
    activateWindow();  // the keyboard comes back here, after a warning too
    showScanPlan();
}

std::optional<std::string> PrfMain::chooseZonesFile() {
    if (const QString folder = settings_.lastFolder(); !folder.isEmpty()) dialogOpen_->setDirectory(folder);
    if (dialogOpen_->exec() != QDialog::Accepted || dialogOpen_->selectedFiles().isEmpty()) return std::nullopt;
    const QString file = dialogOpen_->selectedFiles().constFirst();
    settings_.rememberFolderOf(file);
    return QFile::encodeName(file).toStdString();
}

}  // namespace kest
