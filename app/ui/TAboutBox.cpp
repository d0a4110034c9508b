// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/TAboutBox.h"

#include "texts/Texts.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include <algorithm>

// The emblem is compiled into the window library; a static library needs its resources
// registered by hand.
static void InitAboutBoxResources() {
    Q_INIT_RESOURCE(TAboutBox);
}

namespace tessary {

namespace {

QFont SerifFont(int pixels, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                      QStringLiteral("Nimbus Roman"), QStringLiteral("DejaVu Serif"),
                      QStringLiteral("Noto Serif CJK JP")});
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, const QFont& font,
                 int left, int top) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(font);
    label->adjustSize();
    label->move(left, top);
    return label;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    InitAboutBoxResources();
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QString::fromUtf8(texts::AboutTitle));
    setModal(true);
    setFixedSize(298, 213);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(2);
    panel->setGeometry(8, 8, 281, 161);
    auto* inner = new QFrame(panel);
    inner->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    inner->setGeometry(2, 2, 277, 157);
    inner->lower();

    auto* picture = new QLabel(panel);
    picture->setObjectName(QStringLiteral("ProgramIcon"));
    picture->setPixmap(QPixmap(QStringLiteral(":/tessary/emblem.png")));
    picture->setScaledContents(true);
    picture->setGeometry(16, 16, 57, 57);

    ProductNameLabel = AddLabel(panel, "ProductName", QString::fromUtf8(texts::ProductName),
                                SerifFont(21, true), 96, 16);
    AddLabel(panel, "Version", QString::fromUtf8(texts::ProductVersion), SerifFont(16, true), 96,
             48);
    // The serif faces here run a little wider than the one the box was laid out for; a
    // slight condensing keeps the description on its two lines inside the panel.
    QFont commentsFont = SerifFont(13, false);
    commentsFont.setLetterSpacing(QFont::AbsoluteSpacing, -0.4);
    auto* comments = AddLabel(panel, "Comments", QString::fromUtf8(texts::ProductDescription),
                              commentsFont, 24, 120);
    comments->setWordWrap(true);
    comments->setFixedWidth(217);
    comments->adjustSize();
    // Where the fonts still wrap it onto a third line, the description moves up so that its
    // last line stays inside the panel rather than being cut by the panel's edge.
    const int bottom = panel->contentsRect().bottom() + 1;
    if (comments->geometry().bottom() + 1 > bottom) {
        comments->move(comments->x(), std::max(80, bottom - comments->height()));
    }

    QFont buttonFont;
    buttonFont.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                            QStringLiteral("Noto Sans CJK JP")});
    buttonFont.setPixelSize(12);
    auto* ok = new QPushButton(QString::fromUtf8(texts::OkButton), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setFont(buttonFont);
    ok->setGeometry(111, 180, 75, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

QString TAboutBox::ProductName() const {
    return ProductNameLabel->text();
}

} // namespace tessary
