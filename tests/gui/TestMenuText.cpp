#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QtTest/QTest>
#include <map>

#include "GuiTestSupport.h"
#include "ui/SystemMenu.h"

using namespace guitest;

namespace {

QImage renderAt(QWidget& widget, qreal ratio) {
    QImage image(widget.size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::magenta);
    widget.render(&image);
    return image;
}

// The item's background: the colour of most of its pixels.
QRgb mostCommonColour(const QImage& image, const QRect& area) {
    std::map<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y)];
    return std::max_element(counts.begin(), counts.end(),
                            [](auto& a, auto& b) { return a.second < b.second; })
        ->first;
}

// Whether a column of `area` holds a pixel other than `background`.
bool hasInk(const QImage& image, const QRect& area, int x, QRgb background) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        if ((image.pixel(x, y) & 0xffffff) != (background & 0xffffff))
            return true;
    return false;
}

// The item's text as drawn, column by column, from its first inked column: what lies right of the image
// band and the blank margin after it.
struct DrawnText {
    int left = -1;
    QRgb ink = 0;
};
DrawnText findText(const QImage& image, const QRect& row, QRgb background) {
    int x = row.left();
    while (x <= row.right() && hasInk(image, row, x, background))
        ++x; // the band
    while (x <= row.right() && !hasInk(image, row, x, background))
        ++x; // the margin
    DrawnText text;
    if (x > row.right())
        return text;
    text.left = x;
    int strongest = -1;
    for (int y = row.top(); y <= row.bottom(); ++y)
        for (int cx = x; cx <= row.right(); ++cx) {
            const QRgb pixel = image.pixel(cx, y);
            const int difference = std::abs(qRed(pixel) - qRed(background)) +
                                   std::abs(qGreen(pixel) - qGreen(background)) +
                                   std::abs(qBlue(pixel) - qBlue(background));
            if (difference > strongest) {
                strongest = difference;
                text.ink = pixel;
            }
        }
    return text;
}

// Every item of `menu` shows its whole text: each column the text inks when drawn with nothing to stop it
// is inked in the menu too.
void expectWholeTexts(QMenu& menu, qreal ratio, const char* name) {
    menu.popup(QPoint(10, 10));
    QCoreApplication::processEvents();
    const QImage image = renderAt(menu, ratio);
    image.save(QStringLiteral(FINDLARK_TEST_OUTPUT_DIR "/") + QLatin1String(name));
    const bool underline = menu.style()->styleHint(QStyle::SH_UnderlineShortcut, nullptr, &menu);
    const int flags = Qt::TextSingleLine | (underline ? Qt::TextShowMnemonic : Qt::TextHideMnemonic);
    for (QAction* action : menu.actions()) {
        if (action->isSeparator())
            continue;
        const QString label = action->text().section(QLatin1Char('\t'), 0, 0);
        // A pixel off the top and bottom, where a style may draw the menu's frame over the first and last
        // items.
        const QRect logical = menu.actionGeometry(action).adjusted(0, 1, 0, -1);
        const QRect row(logical.topLeft() * ratio, logical.size() * ratio);
        const QRgb background = mostCommonColour(image, row);
        const DrawnText drawn = findText(image, row, background);
        ASSERT_GE(drawn.left, 0) << label.toStdString();

        const int width = menu.fontMetrics().horizontalAdvance(label) + 40;
        QImage whole(QSize(width, logical.height()) * ratio, QImage::Format_RGB32);
        whole.setDevicePixelRatio(ratio);
        whole.fill(background);
        {
            QPainter painter(&whole);
            painter.setFont(menu.font());
            painter.setPen(QColor::fromRgb(drawn.ink));
            painter.drawText(QRect(10, 0, width - 10, logical.height()), flags | Qt::AlignVCenter, label);
        }
        const QRect all(QPoint(0, 0), whole.size());
        int first = 0;
        while (first < whole.width() && !hasInk(whole, all, first, background))
            ++first;
        int missing = 0;
        for (int x = first; x < whole.width(); ++x) {
            const int at = drawn.left + x - first;
            if (hasInk(whole, all, x, background) &&
                (at > row.right() || !hasInk(image, row, at, background)))
                ++missing;
        }
        EXPECT_EQ(missing, 0) << label.toStdString() << " at scale " << ratio << ": " << missing
                              << " columns of its text are not drawn";
    }
    menu.close();
}

} // namespace

class MenuText : public MainWindowTest, public ::testing::WithParamInterface<qreal> {};

TEST_P(MenuText, EveryMenuShowsItsWholeTexts) {
    const qreal ratio = GetParam();
    auto* bar = dialog->findChild<QMenuBar*>("menuBar");
    for (QAction* popup : bar->actions()) {
        const QString name =
            QStringLiteral("menu-%1-x%2.png").arg(popup->menu()->title().remove('&')).arg(ratio);
        expectWholeTexts(*popup->menu(), ratio, name.toUtf8().constData());
    }
    SystemMenu systemMenu(dialog.get(), [](int) {});
    systemMenu.appendItem(QString::fromUtf8(CMainDialog::kAboutMenuText), CMainDialog::kAboutCommand);
    expectWholeTexts(*systemMenu.menu(), ratio, ratio == 1 ? "menu-system-x1.png" : "menu-system-x2.png");
}

INSTANTIATE_TEST_SUITE_P(MainWindow, MenuText, ::testing::Values(1.0, 2.0),
                         [](const ::testing::TestParamInfo<qreal>& info) {
                             return info.param == 1.0 ? std::string("Normal") : std::string("ScaleFactor2");
                         });
