#include "shell/RecoveryDialog.h"

#include "controls/Controls.h"
#include "controls/QtText.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace kest {

RecoveryDialog::RecoveryDialog(const std::vector<std::string>& lines, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("RecoveryDialog"));
    setWindowTitle(QStringLiteral("KestPlus - Profile: unsaved work"));
    auto* explanation = Caption("LabRecovery",
                                "The program ended without saving these documents. Recover one to go on with it "
                                "(it opens unsaved), delete one, or decide later: they wait for the next start.");
    explanation->setWordWrap(true);
    list_ = Named(new QListWidget, "LeftoverList");
    for (const std::string& line : lines) list_->addItem(ToQString(line));
    list_->setCurrentRow(0);
    // Every line whole, as far as the screen allows; longer ones scroll.
    int widest = 640;
    for (const std::string& line : lines) widest = std::max(widest, list_->fontMetrics().horizontalAdvance(ToQString(line)) + 40);
    const QScreen* screen = parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
    list_->setMinimumWidth(std::min(widest, screen ? screen->availableGeometry().width() - 80 : widest));

    using Action = MainView::RecoveryChoice::Action;
    auto* recover = Named(new QPushButton(QStringLiteral("&Recover")), "ButRecover");
    auto* remove = Named(new QPushButton(QStringLiteral("&Delete")), "ButDelete");
    auto* later = Named(new QPushButton(QStringLiteral("&Later")), "ButLater");
    recover->setDefault(true);
    connect(recover, &QPushButton::clicked, this, [this] { choose(Action::Recover); });
    connect(remove, &QPushButton::clicked, this, [this] { choose(Action::Delete); });
    connect(later, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { choose(Action::Recover); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* button : {recover, remove, later}) buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
}

void RecoveryDialog::choose(MainView::RecoveryChoice::Action action) {
    if (list_->currentRow() < 0) return;
    choice_ = {action, list_->currentRow()};
    accept();
}

}  // namespace kest
