#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QtTest/QTest>

#include "GuiTestSupport.h"
#include "ui/SystemMenu.h"

using namespace guitest;

namespace {

QString describe(const QMenu& menu) {
    QStringList parts;
    for (QAction* action : menu.actions())
        parts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return parts.join(QLatin1Char('|'));
}

QStringList enabledItems(const QMenu& menu) {
    QStringList enabled;
    for (QAction* action : menu.actions())
        if (!action->isSeparator() && action->isEnabled())
            enabled << action->text();
    return enabled;
}

} // namespace

// The main window with its painted caption, shown and active.
class PaintedCaption : public MainWindowTest {
protected:
    PaintedCaption() {
        dialog = std::make_unique<CMainDialog>(app, WindowOptions{WindowOptions::Frame::Painted});
        injectServices(*dialog);
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        QCoreApplication::processEvents();
    }
    QMenu& systemMenu() const { return *dialog->captionPainter().systemMenu()->menu(); }
    QAction* item(int command) const { return dialog->captionPainter().systemMenu()->action(command); }
    QRect caption() const { return dialog->captionPainter().captionRect(); }
    // Where the menu opens under the icon.
    QPoint underIcon() const {
        return dialog->mapToGlobal(
            QPoint(caption().left(), caption().bottom() + 1 + CCaptionPainter::kBorder));
    }
};

TEST_F(PaintedCaption, OpensTheWindowMenuFromTheIconTheCaptionAndAltSpace) {
    EXPECT_EQ(describe(systemMenu()),
              "&Restore|&Move|&Size|Mi&nimize|Ma&ximize|-|&Close|-|&About Findlark...");

    QTest::mouseClick(dialog.get(), Qt::LeftButton, {}, caption().topLeft() + QPoint(4, 4));
    ASSERT_TRUE(systemMenu().isVisible());
    EXPECT_EQ(systemMenu().pos(), underIcon());
    EXPECT_EQ(enabledItems(systemMenu()),
              QStringList({"&Move", "&Size", "Mi&nimize", "Ma&ximize", "&Close", "&About Findlark..."}));
    QImage shown = systemMenu().grab().toImage();
    shown.save(QStringLiteral(FINDLARK_TEST_OUTPUT_DIR "/system-menu.png"));
    systemMenu().close();

    const QPoint middle = caption().center();
    QTest::mouseClick(dialog.get(), Qt::RightButton, {}, middle);
    ASSERT_TRUE(systemMenu().isVisible());
    EXPECT_EQ(systemMenu().pos(), dialog->mapToGlobal(middle));
    systemMenu().close();

    QTest::keyClick(dialog.get(), Qt::Key_Space, Qt::AltModifier);
    ASSERT_TRUE(systemMenu().isVisible());
    EXPECT_EQ(systemMenu().pos(), underIcon());
    systemMenu().close();

    // A right-click below the caption is the window's, not the menu's.
    QTest::mouseClick(dialog.get(), Qt::RightButton, {}, dialog->rect().center());
    EXPECT_FALSE(systemMenu().isVisible());
}

TEST_F(PaintedCaption, WindowMenuCommandsMaximizeRestoreMoveAndShowAbout) {
    item(SystemMenu::Maximize)->trigger();
    EXPECT_TRUE(dialog->isMaximized());
    dialog->captionPainter().systemMenu()->updateItems();
    EXPECT_EQ(enabledItems(systemMenu()),
              QStringList({"&Restore", "Mi&nimize", "&Close", "&About Findlark..."}));
    item(SystemMenu::Restore)->trigger();
    EXPECT_FALSE(dialog->isMaximized());
    dialog->captionPainter().systemMenu()->updateItems();

    // Move follows the arrow keys until Enter; Esc puts the window back where it was.
    const QPoint start = dialog->pos();
    item(SystemMenu::Move)->trigger();
    EXPECT_TRUE(dialog->captionPainter().tracking());
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Down})
        QTest::keyClick(dialog.get(), key);
    QTest::keyClick(dialog.get(), Qt::Key_Return);
    EXPECT_FALSE(dialog->captionPainter().tracking());
    EXPECT_EQ(dialog->pos(), start + QPoint(16, 8));
    EXPECT_TRUE(dialog->isVisible()); // Enter ended the move, not the window

    const QSize size = dialog->size();
    item(SystemMenu::Size)->trigger();
    QTest::keyClick(dialog.get(), Qt::Key_Right);
    QTest::keyClick(dialog.get(), Qt::Key_Up);
    EXPECT_EQ(dialog->size(), size + QSize(8, -8));
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_EQ(dialog->size(), size);
    EXPECT_EQ(dialog->pos(), start + QPoint(16, 8));
    EXPECT_TRUE(dialog->isVisible());

    QString aboutTitle;
    answerNextModal([&](QWidget* modal) {
        aboutTitle = modal->windowTitle();
        modal->close();
    });
    QAction* about = systemMenu().actions().last();
    ASSERT_EQ(about->data().toInt(), CMainDialog::kAboutCommand);
    about->trigger();
    EXPECT_EQ(aboutTitle, "About Findlark");

    item(SystemMenu::Close)->trigger();
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(PaintedCaption, MenusOpenUnderTheirEntriesFromTheStart) {
    // The window asks for its place itself, centred on the screen: a window manager that places it
    // instead may leave the window believing it is elsewhere, and its menus would open there.
    EXPECT_TRUE(dialog->testAttribute(Qt::WA_Moved));
    const QPoint centre = dialog->screen()->availableGeometry().center();
    EXPECT_LE((dialog->geometry().center() - centre).manhattanLength(), 2);
    auto* bar = dialog->findChild<QMenuBar*>("menuBar");
    for (QAction* entry : bar->actions()) {
        const QRect place = bar->actionGeometry(entry);
        QTest::mouseClick(bar, Qt::LeftButton, {}, place.center());
        QMenu* menu = entry->menu();
        ASSERT_TRUE(menu->isVisible()) << entry->text().toStdString();
        EXPECT_EQ(menu->pos(), bar->mapToGlobal(place.bottomLeft() + QPoint(0, 1)))
            << entry->text().toStdString();
        menu->close();
    }
}
