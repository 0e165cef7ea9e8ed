#include "shell/AboutFrm.h"

#include "controls/Controls.h"
#include "controls/QtText.h"
#include "controls/WindowPlacement.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace kest {
namespace {

// A concentration profile across an interface: what the program draws.
QPixmap ProfilePicture() {
    QPixmap picture(160, 72);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::gray, 1));
    painter.drawLine(8, 64, 152, 64);
    painter.drawLine(8, 64, 8, 6);
    QPainterPath profile(QPointF(10, 52));
    profile.lineTo(66, 50);
    profile.cubicTo(QPointF(80, 50), QPointF(82, 16), QPointF(96, 16));
    profile.lineTo(150, 14);
    painter.setPen(QPen(QColor(255, 0, 0), 2));
    painter.drawPath(profile);
    painter.setBrush(QColor(255, 0, 0));
    for (const QPointF point : {QPointF(10, 52), QPointF(38, 51), QPointF(66, 50), QPointF(81, 33), QPointF(96, 16),
                                QPointF(123, 15), QPointF(150, 14)})
        painter.drawEllipse(point, 2.5, 2.5);
    return picture;
}

QLabel* RedCentred(const char* name, const std::string& text) {
    auto* label = Named(new QLabel(ToQString(text)), name);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("color: red;"));
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    font.setBold(true);
    label->setFont(font);
    return label;
}

}  // namespace

std::string VersionLine() {
    return "Version: " + std::to_string(KESTPLUS_VERSION_MAJOR) + "." + std::to_string(KESTPLUS_VERSION_MINOR);
}

AboutFrm::AboutFrm(const std::string& title, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutFrm"));
    setWindowTitle(QStringLiteral("About"));
    auto* panel = Named(new QFrame, "Panel3D1");
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    (new QVBoxLayout(this))->addWidget(panel);

    auto* image = Named(new QLabel, "Image1");
    image->setPixmap(ProfilePicture());
    image->setAlignment(Qt::AlignCenter);
    auto* line = Named(new QLabel(QStringLiteral("Concentration profiles on the electron microprobe")), "Label1");
    line->setAlignment(Qt::AlignCenter);
    QFont serif(QStringLiteral("Times New Roman"));
    serif.setStyleHint(QFont::Serif);
    line->setFont(serif);
    auto* ok = Named(new QPushButton(QStringLiteral("OK")), "OkBut");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(panel);
    layout->addWidget(image);
    layout->addWidget(RedCentred("TitleItem", title));
    layout->addWidget(RedCentred("VersionItem", VersionLine()));
    layout->addWidget(line);
    layout->addWidget(ok, 0, Qt::AlignCenter);
    adjustSize();
    CentreOnScreen(*this);
}

}  // namespace kest
