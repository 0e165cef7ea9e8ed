#include "graph/FormPrint.h"

#include "controls/Controls.h"
#include "controls/WindowPlacement.h"
#include "core/ProgramTitle.h"
#include "graph/ProfileGraph.h"

#include <QChartView>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace kest {

FormPrint::FormPrint(ProfileState& state, AnalysisDatabase& db, QWidget* parent)
    : QDialog(parent), state_(state), db_(db) {
    setObjectName(QStringLiteral("FormPrint"));
    setWindowTitle(QString::fromLatin1(kProgramTitle));
    grid_ = Named(new QCheckBox(QStringLiteral("Grid")), "O_Grid");
    grid_->setChecked(true);
    auto* print = Named(new QPushButton(QStringLiteral("Print")), "B_Print");
    auto* cancel = Named(new QPushButton(QStringLiteral("Cancel")), "B_Cancel");
    connect(grid_, &QCheckBox::clicked, this, &FormPrint::drawPrintGraph);
    connect(print, &QPushButton::clicked, this, [this] { graphPrint_.draw(kPrintChart); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(grid_);
    buttons->addStretch();
    buttons->addWidget(print);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(graphPrint_.widget(), 1);
    layout->addLayout(buttons);
    graphPrint_.widget()->setMinimumSize(640, 440);
    graphPrint_.setColumnsPerPixel(4);  // it is drawn for the printer's finer dots

    resize(820, 600);
    CentreOnScreen(*this);
    drawPrintGraph();
}

void FormPrint::drawPrintGraph() { DrawPrintGraph(state_, db_, graphPrint_, grid_->isChecked()); }

}  // namespace kest
