#include "shell/UserInfo.h"

#include "controls/Controls.h"
#include "controls/QtText.h"
#include "controls/SelectAllText.h"
#include "shell/DocumentInfo.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kest {
namespace {

QLabel* RightCaption(const char* name, const char* text, QWidget* buddy) {
    QLabel* label = Caption(name, text);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

UserInfo::UserInfo(const ProfileState& state, AnalysisDatabase& db, QWidget* parent)
    : QDialog(parent), db_(db), key_(state.DialogArg1) {
    setObjectName(QStringLiteral("UserInfo"));
    setWindowTitle(ToQString(state.DialogArg2));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildFields());

    const DocumentInfo info = ReadDocumentInfo(db_, key_);
    userName_->setText(ToQString(info.userName));
    company_->setText(ToQString(info.company));
    title_->setText(ToQString(info.title));
    comments_->setPlainText(ToQString(info.comments));
    lastModTime_->setText(ToQString(ReadLastSaveTime(db_, key_)));
}

QWidget* UserInfo::buildFields() {
    userName_ = TextField("UserName");
    company_ = TextField("Company");
    title_ = TextField("Title");
    comments_ = Named(new QPlainTextEdit, "Comments");
    comments_->setTabChangesFocus(true);
    SelectAllOnFocus(comments_);

    auto* grid = new QGridLayout;
    AddFieldRow(grid, 0, RightCaption("LabUserName", "&User", userName_), userName_);
    AddFieldRow(grid, 1, RightCaption("LabCompany", "&Company", company_), company_);
    AddFieldRow(grid, 2, RightCaption("LabTitle", "&Title", title_), title_);
    AddFieldRow(grid, 3, RightCaption("LabComments", "C&omments", comments_), comments_);
    grid->setRowStretch(3, 1);

    auto* ok = Named(new QPushButton(QStringLiteral("OK")), "ButOK");
    auto* cancel = Named(new QPushButton(QStringLiteral("Cancel")), "ButCancel");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, [this] {
        infoCancelled_ = true;
        reject();
    });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    lastModTime_ = Named(new QLabel, "LastModTime");
    lastModTime_->setAlignment(Qt::AlignCenter);
    lastModTime_->setTextFormat(Qt::PlainText);
    auto* saved = Named(new QGroupBox(QStringLiteral("Last Saved")), "Cadre2");
    (new QVBoxLayout(saved))->addWidget(lastModTime_);

    auto* frame = Named(new QGroupBox(QStringLiteral("Information")), "Cadre1");
    auto* inside = new QVBoxLayout(frame);
    inside->addLayout(grid, 1);
    inside->addLayout(buttons);
    inside->addWidget(saved);
    const QWidget* const order[] = {userName_, company_, title_, comments_, ok, cancel};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
    return frame;
}

void UserInfo::done(int result) {
    if (!infoCancelled_) {
        WriteDocumentInfo(db_, key_, {ToLatin1(userName_->text()), ToLatin1(company_->text()), ToLatin1(title_->text()),
                                      ToLatin1(comments_->toPlainText())});
    }
    QDialog::done(result);
}

}  // namespace kest
