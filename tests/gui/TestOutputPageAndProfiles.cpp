#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "OptionsTestSupport.h"
#include "app/SettingsPersistence.h"
#include "ui/MyPropertyPage4.h"
#include "ui/MyPropertySheet.h"
#include "ui/OutputStyleText.h"
#include "ui/SelectOptionDlg.h"

using namespace guitest;
using Strings = std::vector<std::string>;

namespace {

TEST(OutputStyleText, HtmlSizesAndPointSizesMapBothWays) {
    using namespace OutputStyleText;
    const std::pair<int, int> toSize[] = {{5, 1},  {8, 1},  {9, 2},  {10, 2}, {11, 3}, {12, 3},
                                          {14, 4}, {15, 5}, {24, 6}, {36, 7}, {48, 7}};
    for (const auto& [points, size] : toSize)
        EXPECT_EQ(PointsToHtmlSize(points), size) << points;
    for (int size = 1; size <= 7; ++size)
        EXPECT_EQ(PointsToHtmlSize(HtmlSizeToPoints(size)), size) << size;
    EXPECT_EQ(HtmlSizeToPoints(0), 8);
    EXPECT_EQ(HtmlSizeToPoints(9), 36);
    EXPECT_EQ(ReferenceFromColour(ColourFromReference(3342540)), 3342540);
}

// The Output page in a sheet of its own, over a plain settings record.
class OutputPage : public ::testing::Test {
protected:
    OutputPage() : paths(AppPaths::forProgramFolder(program.str())) {
        settings.profile = ProfileSettings::defaults(program.str());
        settings.profile.OutputPath = "/out/";
        services = dialogs.services();
        sheet = std::make_unique<CMyPropertySheet>(settings, paths, services);
        sheet->show();
        sheet->tabs()->setCurrentIndex(CMyPropertySheet::Output);
        page = sheet->page<CMyPropertyPage4>();
    }
    QString label(const char* name) const { return sheet->findChild<QLabel*>(name)->text(); }
    void click(const char* name) { sheet->findChild<QPushButton*>(name)->click(); }

    testsupport::TempDir program;
    AppPaths paths;
    Settings settings;
    ScriptedOptionDialogs dialogs;
    OptionServices services;
    std::unique_ptr<CMyPropertySheet> sheet;
    CMyPropertyPage4* page = nullptr;
};

TEST_F(OutputPage, FontDialogRoundTripAndLabels) {
    EXPECT_EQ(label("titleFontLabel"), "arial,Size=3");
    EXPECT_EQ(label("titleColorLabel"), "{ff0000}");
    EXPECT_EQ(label("urlColorLabel"), "{008000}");
    EXPECT_EQ(label("hitTextColorLabel"), "{3300cc}");

    // OK without a change keeps size 3, which opens at 12 points.
    dialogs.nextFont = std::nullopt;
    click("titleFontButton");
    EXPECT_EQ(dialogs.fontShown.pointSize(), 12);
    EXPECT_EQ(dialogs.fontShown.family(), "arial");
    dialogs.nextFont = dialogs.fontShown;
    click("titleFontButton");
    EXPECT_EQ(label("titleFontLabel"), "arial,Size=3");

    QFont chosen(QStringLiteral("Courier"));
    chosen.setPointSizeF(10.5);
    chosen.setBold(true);
    dialogs.nextFont = chosen;
    click("textFontButton");
    EXPECT_EQ(label("textFontLabel"), "Courier,Size=2");
    chosen.setPointSize(48);
    dialogs.nextFont = chosen;
    click("infoFontButton");
    EXPECT_EQ(label("infoFontLabel"), "Courier,Size=7");

    dialogs.nextColour = QColor(255, 0, 0);
    click("textColorButton");
    EXPECT_EQ(label("textColorLabel"), "{0000ff}");
    dialogs.nextColour = QColor(0, 0, 0);
    click("hitTitleColorButton");
    EXPECT_EQ(dialogs.colourShown, QColor(204, 0, 51));
    EXPECT_EQ(label("hitTitleColorLabel"), "{000000}");
    dialogs.nextColour = std::nullopt;
    click("urlColorButton");
    EXPECT_EQ(label("urlColorLabel"), "{008000}");

    sheet->accept();
    const ProfileSettings& p = settings.profile;
    EXPECT_EQ(p.ResultTextFace, "Courier");
    EXPECT_EQ(p.ResultTextSize, 2);
    EXPECT_EQ(p.ResultTextColor, 255);
    EXPECT_EQ(p.ResultInfoSize, 7);
    EXPECT_EQ(p.HitTitleColor, 0);
    EXPECT_EQ(p.HitTextColor, 3342540);
    EXPECT_EQ(p.ResultTitleSize, 3);
}

TEST_F(OutputPage, FontsTakeOnlyNamesABrowserKnows) {
    // The desktop's alias of a generic family becomes the family's web name; a name with nothing left
    // keeps the face there was.
    dialogs.nextFont = QFont(QStringLiteral("Sans Serif"));
    click("titleFontButton");
    EXPECT_EQ(label("titleFontLabel"), "sans-serif,Size=3");
    dialogs.nextFont = QFont(QStringLiteral(" \"Monospace\" "), 10);
    click("textFontButton");
    EXPECT_EQ(label("textFontLabel"), "monospace,Size=2");
    dialogs.nextFont = QFont(QStringLiteral("<>"), 10);
    click("urlFontButton");
    EXPECT_EQ(label("urlFontLabel"), "arial,Size=2");
    sheet->accept();
    EXPECT_EQ(settings.profile.ResultTitleFace, "sans-serif");
}

// The font dialog itself: the faces a web page can name, the stored face kept as it is, no effects.
TEST(ResultFontDialog, OffersWebFacesAndKeepsTheStoredFace) {
    QWidget owner;
    const auto choose = [&](const QFont& initial, const std::function<void(QDialog&)>& answer) {
        answerNextModal([answer](QWidget* modal) { answer(*qobject_cast<QDialog*>(modal)); });
        return OptionServices().chooseFont(&owner, initial);
    };
    QStringList offered;
    QString shownFace;
    int effectBoxes = -1;
    std::optional<QFont> chosen = choose(QFont(QStringLiteral("arial"), 12), [&](QDialog& dialog) {
        auto* faces = dialog.findChild<QComboBox*>(QStringLiteral("faceBox"));
        if (faces) {
            for (int i = 0; i < faces->count(); ++i)
                offered << faces->itemText(i);
            shownFace = faces->currentText();
        }
        effectBoxes = static_cast<int>(dialog.findChildren<QCheckBox*>().size());
        dialog.accept();
    });
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->family(), "arial");
    EXPECT_EQ(chosen->pointSize(), 12);
    EXPECT_EQ(shownFace, "arial");
    EXPECT_EQ(effectBoxes, 0);
    for (const char* face : {"serif", "sans-serif", "monospace", "cursive", "fantasy", "Arial", "Verdana",
                             "Georgia", "Times New Roman", "Courier New"})
        EXPECT_TRUE(offered.contains(QString::fromLatin1(face))) << face;
    EXPECT_FALSE(offered.contains(QStringLiteral("Sans Serif")));

    // Whatever the user types, a list included, in the web's names; Cancel chooses nothing.
    chosen = choose(QFont(QStringLiteral("arial"), 12), [](QDialog& dialog) {
        auto* faces = dialog.findChild<QComboBox*>(QStringLiteral("faceBox"));
        auto* sizes = dialog.findChild<QComboBox*>(QStringLiteral("sizeBox"));
        if (faces && sizes) {
            faces->setEditText(QStringLiteral("My Font, Sans"));
            sizes->setEditText(QStringLiteral("11"));
        }
        dialog.accept();
    });
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->family(), "My Font, sans-serif");
    EXPECT_EQ(chosen->pointSize(), 11);
    EXPECT_FALSE(choose(QFont(QStringLiteral("arial"), 12), [](QDialog& dialog) { dialog.reject(); }));
}

TEST_F(OutputPage, DefaultThenCancelChangesNothingAndTheHiddenBoxKeepsItsValue) {
    sheet->reject();
    ProfileSettings& p = settings.profile;
    p.NoPoweredBy = 1;
    p.NoHorizLine = 1;
    p.OutputWindowType = 2;
    p.ResultTitleSize = 5;
    p.ResultTitleFace = "verdana";
    p.HitTextColor = 7;
    const ProfileSettings before = p;

    auto reopen = [this] {
        sheet = std::make_unique<CMyPropertySheet>(settings, paths, services);
        sheet->show();
        sheet->tabs()->setCurrentIndex(CMyPropertySheet::Output);
    };
    reopen();
    EXPECT_TRUE(sheet->findChild<QCheckBox*>("noPoweredBy")->isHidden());
    click("defaultButton");
    EXPECT_EQ(label("titleFontLabel"), "arial,Size=3");
    sheet->reject();
    EXPECT_EQ(p.NoPoweredBy, 1);
    EXPECT_EQ(p.ResultTitleFace, "verdana");
    EXPECT_EQ(p.HitTextColor, 7);

    reopen();
    sheet->accept();
    EXPECT_EQ(p.NoPoweredBy, 1);
    EXPECT_EQ(p.OutputWindowType, 2);

    reopen();
    dialogs.nextFolder = "/web/out";
    click("outputPathButton");
    EXPECT_EQ(dialogs.folderTitles, (Strings{"Select a path for output the generated search files:"}));
    click("defaultButton");
    sheet->accept();
    EXPECT_EQ(p.OutputPath, "/web/out/");
    EXPECT_EQ(p.NoPoweredBy, 0);
    EXPECT_EQ(p.NoHorizLine, 0);
    EXPECT_EQ(p.OutputWindowType, 0);
    EXPECT_EQ(p.ResultTitleSize, 3);
    EXPECT_EQ(p.ResultTitleFace, "arial");
    EXPECT_EQ(p.ResultTitleColor, 16711680);
    EXPECT_EQ(p.ResultUrlColor, 32768);
    EXPECT_EQ(p.HitTextColor, 3342540);
    EXPECT_NE(before.HitTextColor, p.HitTextColor);
}

// The profile dialog and the two commands, on the application object of a main window.
class OptionProfilesDialog : public MainWindowTest {
protected:
    OptionProfilesDialog() {
        services = dialogs.services();
        app.settings.profileNames = {"One", "Two", "Three"};
        app.settings.OptionsNum = 3;
        app.settings.CurOption = 1;
        SettingsPersistence::SaveSettings(app.settings, app.store());
        app.settings.CurOption = 2;
        app.settings.profile.HtmlFileType = "two";
        SettingsPersistence::SaveSettings(app.settings, app.store());
        app.settings.CurOption = 1;
        SettingsPersistence::LoadProfileSettings(app.settings, app.store(), app.paths.dataFolder);
    }
    std::unique_ptr<CSelectOptionDlg> openDialog() {
        auto dlg = std::make_unique<CSelectOptionDlg>(app, services);
        dlg->show();
        return dlg;
    }
    std::string stored(const char* section, const char* key) {
        return app.store().getString(section, key, "<none>");
    }

    ScriptedOptionDialogs dialogs;
    OptionServices services;
};

TEST_F(OptionProfilesDialog, SaveAsMakesTheNewProfileCurrentAndCancelReturns) {
    auto dlg = openDialog();
    EXPECT_EQ(dlg->combo()->currentText(), "One");
    dialogs.prompt.answer = std::nullopt;
    dlg->OnSaveAs();
    EXPECT_EQ(dialogs.prompt.asked.front(),
              (Strings{"Input option name", "Option name:",
                       "(Input option name to save current option as a new one)", "YourSiteName4"}));
    dialogs.prompt.answer = "YourSiteName4";
    dlg->OnSaveAs();
    EXPECT_EQ(dlg->combo()->count(), 4);
    EXPECT_EQ(dlg->combo()->currentText(), "YourSiteName4");
    EXPECT_EQ(app.settings.CurOption, 4);
    dialogs.prompt.answer = "Two";
    dlg->OnSaveAs();
    EXPECT_EQ(dialogs.messages.messages(), (Strings{"This name already exist!\nPlease try another name."}));
    dlg->reject();
    EXPECT_EQ(app.settings.CurOption, 1);
    EXPECT_EQ(app.settings.profileNames.size(), 4u);
    EXPECT_EQ(stored("Option4", "OptionName"), "YourSiteName4");
}

TEST_F(OptionProfilesDialog, RenameAcceptsAnotherCaseAndKeepsTheNameThroughCancel) {
    auto dlg = openDialog();
    dlg->combo()->setCurrentIndex(1);
    dialogs.prompt.answer = "One";
    dlg->OnRename();
    dialogs.prompt.answer = "one";
    dlg->OnRename();
    EXPECT_EQ(dialogs.prompt.asked.front(),
              (Strings{"Input option name",
                       "Option name:", "(Input option name to change current option name)", "Two"}));
    EXPECT_EQ(dialogs.messages.messages(), (Strings{"This name already exist!\nPlease try another name."}));
    EXPECT_EQ(dlg->combo()->currentIndex(), 1);
    EXPECT_EQ(dlg->combo()->currentText(), "one");
    dlg->reject();
    EXPECT_EQ(app.settings.profileNames, (Strings{"One", "one", "Three"}));
    EXPECT_EQ(stored("Option2", "OptionName"), "Two");
}

TEST_F(OptionProfilesDialog, EditOpensTheSheetOnTheChosenProfileAndOkKeepsIt) {
    auto dlg = openDialog();
    dlg->combo()->setCurrentIndex(1);
    QString caption;
    answerNextModal([&](QWidget* modal) {
        auto* sheet = qobject_cast<CMyPropertySheet*>(modal);
        caption = modal->windowTitle();
        sheet->tabs()->setCurrentIndex(CMyPropertySheet::Template);
        auto* combo = sheet->findChild<QComboBox*>("templateCombo");
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Up);
        QTest::keyClick(sheet, Qt::Key_Escape);
    });
    dlg->OnEdit();
    EXPECT_EQ(caption, "Two - Options");
    EXPECT_EQ(app.settings.CurOption, 2);
    EXPECT_EQ(app.settings.profile.SelTemplateName, "Menubar");
    dlg->accept();
    // OK reloads the profile: the template choice of the cancelled sheet is gone.
    EXPECT_EQ(app.settings.CurOption, 2);
    EXPECT_EQ(app.settings.profile.HtmlFileType, "two");
    EXPECT_EQ(app.settings.profile.SelTemplateName, "Simple");
}

TEST_F(OptionProfilesDialog, WindowCommandsSaveAfterOkOnlyAndTheCaptionFollows) {
    dialog->optionServices = services;
    answerNextModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    app.settings.profile.HtmlFileType = "unsaved";
    trigger(CommandIds::EditActiveOption);
    EXPECT_EQ(stored("Option1", "HtmlFileType"), "htm,html,shtm,shtml,asp,php,php3");

    answerNextModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Return); });
    trigger(CommandIds::EditActiveOption);
    EXPECT_EQ(stored("Option1", "HtmlFileType"), "unsaved");

    answerNextModal([](QWidget* modal) {
        auto* dlg = qobject_cast<CSelectOptionDlg*>(modal);
        dlg->combo()->setCurrentIndex(2);
        QTest::keyClick(dlg, Qt::Key_Return);
    });
    trigger(CommandIds::SelectActiveOption);
    EXPECT_EQ(app.settings.CurOption, 3);
    EXPECT_TRUE(dialog->windowTitle().startsWith("Three - ")) << dialog->windowTitle().toStdString();
    EXPECT_EQ(dialog->captionPainter().captionText(), dialog->windowTitle());
}

// Every page and the profile dialog as a picture in the build tree, for a reviewer and for the help.
TEST_F(OptionProfilesDialog, RendersEachPageAndTheProfileDialog) {
    CMyPropertySheet sheet(app.settings, app.paths, services);
    sheet.setWindowTitle("One - Options");
    sheet.show();
    const char* const names[] = {"script", "links", "files", "template", "search", "output"};
    for (int page = 0; page < CMyPropertySheet::PageCount; ++page) {
        sheet.tabs()->setCurrentIndex(page);
        QApplication::processEvents();
        EXPECT_TRUE(
            sheet.grab().save(QStringLiteral(FINDLARK_TEST_OUTPUT_DIR "/options-%1.png").arg(names[page])));
        // Nothing on the page is squeezed below the size it asks for.
        for (QWidget* control : sheet.tabs()->widget(page)->findChildren<QWidget*>())
            if (control->isVisible() && !control->inherits("QGroupBox")) {
                EXPECT_GE(control->width(), control->minimumSizeHint().width())
                    << names[page] << " " << control->objectName().toStdString();
            }
    }
    auto dlg = openDialog();
    QApplication::processEvents();
    EXPECT_TRUE(dlg->grab().save(QStringLiteral(FINDLARK_TEST_OUTPUT_DIR "/options-profiles.png")));
    dlg->reject();
}

} // namespace
