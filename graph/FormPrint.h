#pragma once
// The print graph dialog: the printable chart of the points the main window plots, with a
// legend, axis titles and a grid that the Grid box switches, sent to the printer on Print.
// It changes nothing in the document or the program's state.

#include "core/ProfileState.h"
#include "graph/ProfileChartView.h"
#include "suite/AnalysisDatabase.h"

#include <QDialog>

class QCheckBox;

namespace kest {

class FormPrint : public QDialog {
    Q_OBJECT

public:
    FormPrint(ProfileState& state, AnalysisDatabase& db, QWidget* parent = nullptr);

    ProfileChartView& graphPrint() { return graphPrint_; }

private:
    void drawPrintGraph();

    ProfileState& state_;
    AnalysisDatabase& db_;
    ProfileChartView graphPrint_{"GraphPrint"};
    QCheckBox* grid_ = nullptr;
};

}  // namespace kest
