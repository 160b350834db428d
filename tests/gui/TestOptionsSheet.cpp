#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest/QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

#include "OptionsTestSupport.h"
#include "app/AppPaths.h"
#include "app/Settings.h"
#include "ui/MyPropertyPage2.h"
#include "ui/MyPropertyPage3.h"
#include "ui/MyPropertySheet.h"

using namespace guitest;
namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

namespace {

class OptionsSheet : public ::testing::Test {
protected:
    OptionsSheet() : paths(AppPaths::forProgramFolder(program.str())) {
        for (const char* name : {"Simple", "advanced", "Zed"}) {
            program.write(std::string("Template/") + name + "/search.html", "search");
            program.write(std::string("Template/") + name + "/result.html", "<%CONTENT%>");
        }
        program.write("Template/notes.txt", "not a template");
        settings.profileNames = {"Site"};
        settings.profile = ProfileSettings::defaults(program.str());
        settings.profile.SelTemplateName = "Simple";
        services = dialogs.services();
    }

    CMyPropertySheet& open() {
        sheet = std::make_unique<CMyPropertySheet>(settings, paths, services);
        sheet->show();
        return *sheet;
    }
    void showPage(CMyPropertySheet::Page page) { sheet->tabs()->setCurrentIndex(page); }
    template <class T> T* child(const char* name) const {
        T* found = sheet->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QStringList comboItems(const char* name) const {
        QStringList items;
        auto* combo = child<QComboBox>(name);
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items;
    }
    QStringList listItems() const {
        QStringList items;
        auto* list = child<QListWidget>("excludeList");
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        return items;
    }
    void click(const char* name) { child<QAbstractButton>(name)->click(); }
    CMyPropertyPage3* templatePage() const { return sheet->page<CMyPropertyPage3>(); }

    testsupport::TempDir program;
    AppPaths paths;
    Settings settings;
    ScriptedOptionDialogs dialogs;
    OptionServices services;
    std::unique_ptr<CMyPropertySheet> sheet;
};

TEST_F(OptionsSheet, OkWritesBackOnlyShownPagesAndCancelOnlyTheTemplateChoice) {
    settings.profile.HtmlFileType = "htm";
    settings.profile.NoIncFileList = {"/b/", "/a.htm"};
    open();
    EXPECT_EQ(sheet->tabs()->currentIndex(), CMyPropertySheet::Script);
    QStringList titles;
    for (int i = 0; i < sheet->tabs()->count(); ++i)
        titles << sheet->tabs()->tabText(i);
    EXPECT_EQ(titles, QStringList({"Script", "Links", "Files", "Template", "Search", "Output"}));
    EXPECT_EQ(sheet->findChild<QDialogButtonBox*>()->buttons().size(), 2);

    // The Files page was never shown: what its controls hold does not count.
    child<QLineEdit>("htmlTypeEdit")->setText("changed");
    click("scriptJavaScript");
    sheet->accept();
    EXPECT_EQ(settings.profile.ScriptType, ScriptTypes::JavaScript);
    EXPECT_EQ(settings.profile.HtmlFileType, "htm");
    EXPECT_EQ(settings.profile.NoIncFileList, (Strings{"/b/", "/a.htm"}));

    open();
    showPage(CMyPropertySheet::Files);
    EXPECT_EQ(listItems(), QStringList({"/b/", "/a.htm"}));
    dialogs.prompt.answer = "http://x.test/";
    click("addUrlButton");
    sheet->accept();
    EXPECT_EQ(settings.profile.NoIncFileList, (Strings{"/b/", "/a.htm", "http://x.test/"}));

    open();
    showPage(CMyPropertySheet::Template);
    click("scriptAsp");
    child<QLineEdit>("threadEdit")->setText("9");
    auto* combo = child<QComboBox>("templateCombo");
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(settings.profile.SelTemplateName, "Zed");
    sheet->reject();
    EXPECT_EQ(settings.profile.SelTemplateName, "Zed");
    EXPECT_EQ(settings.profile.ScriptType, ScriptTypes::JavaScript);
    EXPECT_EQ(settings.profile.UseThreadNum, 3);
}

TEST_F(OptionsSheet, ScriptPageEnablesTheDatabaseForServerPagesAndKeepsUnknownTypes) {
    settings.profile.ScriptType = ScriptTypes::JavaScript;
    open();
    auto* access = child<QRadioButton>("databaseAccess");
    EXPECT_FALSE(access->isEnabled());
    EXPECT_FALSE(child<QRadioButton>("scriptPhp")->isHidden());
    click("scriptAsp");
    EXPECT_TRUE(access->isEnabled());
    click("scriptJavaScript");
    EXPECT_FALSE(access->isEnabled());
    click("scriptPhp");
    EXPECT_TRUE(access->isEnabled());
    sheet->accept();
    EXPECT_EQ(settings.profile.ScriptType, 2);

    settings.profile.ScriptType = 3;
    settings.profile.DatabaseType = 2;
    open();
    for (const char* name : {"scriptJavaScript", "scriptAsp", "scriptPhp", "databaseAccess"})
        EXPECT_FALSE(child<QRadioButton>(name)->isChecked()) << name;
    EXPECT_TRUE(child<QRadioButton>("databaseAccess")->isEnabled());
    sheet->accept();
    EXPECT_EQ(settings.profile.ScriptType, 3);
    EXPECT_EQ(settings.profile.DatabaseType, 2);
}

// "My SQL" stands beside the engine that can read a server, and its connection dialog edits the profile
// only when the sheet ends with OK.
TEST_F(OptionsSheet, ScriptPageOffersMySqlToThePhpEngineWithItsConnection) {
    settings.profile.ScriptType = ScriptTypes::JavaScript;
    open();
    auto* mySql = child<QRadioButton>("databaseMySql");
    auto* connection = child<QPushButton>("mySqlConnection");
    EXPECT_TRUE(mySql->isHidden());
    click("scriptPhp");
    EXPECT_FALSE(mySql->isHidden());
    EXPECT_FALSE(connection->isEnabled());
    click("databaseMySql");
    EXPECT_TRUE(connection->isEnabled());
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QLineEdit*>("socketEdit")->setText("/run/db.sock");
        qobject_cast<QDialog*>(dialog)->accept();
    });
    click("mySqlConnection");
    EXPECT_EQ(settings.profile.MySqlSocket, "");
    click("scriptAsp");
    EXPECT_TRUE(mySql->isHidden());
    click("scriptPhp");
    sheet->accept();
    EXPECT_EQ(settings.profile.DatabaseType, 2);
    EXPECT_EQ(settings.profile.MySqlSocket, "/run/db.sock");
}

TEST_F(OptionsSheet, LinksPageRulesAndTheReplaceRootText) {
    settings.profile.UseLinksType = 0;
    settings.profile.CheckReplacePath = 1;
    settings.profile.ReplaceURL = "";
    open();
    showPage(CMyPropertySheet::Links);
    auto* replace = child<QCheckBox>("replacePath");
    auto* edit = child<QLineEdit>("replaceEdit");
    EXPECT_FALSE(replace->isEnabled());
    EXPECT_TRUE(replace->isChecked());
    EXPECT_FALSE(edit->isEnabled());
    click("absoluteLinks");
    EXPECT_TRUE(replace->isEnabled());
    EXPECT_TRUE(edit->isEnabled());
    click("replacePath");
    EXPECT_FALSE(edit->isEnabled());
    EXPECT_FALSE(child<QWidget>("replaceHint")->isEnabled());
    click("replacePath");
    click("relativeLinks");
    // Relative links with the box checked and no text: still the message, and the sheet closes.
    sheet->accept();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(dialogs.messages.messages(),
              (Strings{"You have selected replace root path of links,but not input anything for URL or "
                       "Path!\nPlease input one."}));

    for (const auto& [typed, stored] :
         std::vector<std::pair<std::string, std::string>>{{"D:\\Web", "D:\\Web/"},
                                                          {"https://a.test", "https://a.test/"},
                                                          {"C:\\site\\", "C:\\site\\"},
                                                          {"https://b.test/", "https://b.test/"}}) {
        open();
        showPage(CMyPropertySheet::Links);
        child<QLineEdit>("replaceEdit")->setText(QString::fromStdString(typed));
        sheet->accept();
        EXPECT_EQ(settings.profile.ReplaceURL, stored);
    }
    EXPECT_EQ(dialogs.messages.messages().size(), 1u);
}

TEST_F(OptionsSheet, ExclusionListButtonsAddEachEntryOnceAndDeleteTheSelection) {
    settings.profile.NoIncFileList = {"/site/a.htm"};
    open();
    showPage(CMyPropertySheet::Files);
    dialogs.nextFiles = {"/site/a.htm", "/site/b.htm", "/site/B.htm"};
    for (int i = 0; i < 40; ++i)
        dialogs.nextFiles << QStringLiteral("/site/a-rather-long-folder-name/page%1.html").arg(i);
    click("addFilesButton");
    EXPECT_EQ(dialogs.fileFilter,
              "Possible HTML Files (*.htm *.html *.shtm *.shtml *.asp *.php *.php3 *.php4);;"
              "Possible TEXT Files (*.txt *.rtf *.c *.h *.cpp *.word *.pdf);;ALL Files (*)");
    EXPECT_EQ(listItems().size(), 43);

    dialogs.nextFolder = "/site/private";
    click("addFolderButton");
    click("addFolderButton");
    EXPECT_EQ(dialogs.folderTitles, (Strings(2, "Select the folder that you do not want to index:")));
    EXPECT_EQ(settings.browseFolder, "/site/private/");
    dialogs.nextFolder.clear();
    click("addFolderButton");

    for (const std::optional<std::string>& answer :
         {std::optional<std::string>("http://"), std::optional<std::string>(""), std::optional<std::string>(),
          std::optional<std::string>(" http://x.test/page"),
          std::optional<std::string>(" http://x.test/page")}) {
        dialogs.prompt.answer = answer;
        click("addUrlButton");
    }
    EXPECT_EQ(dialogs.prompt.asked.front(),
              (Strings{"Input URL", "URL:", "(Input a URL that you do not want to index)", "http://"}));
    QStringList items = listItems();
    ASSERT_EQ(items.size(), 45);
    EXPECT_EQ(items.mid(0, 3), QStringList({"/site/a.htm", "/site/b.htm", "/site/B.htm"}));
    EXPECT_EQ(items.mid(43), QStringList({"/site/private/", " http://x.test/page"}));

    auto* list = child<QListWidget>("excludeList");
    for (int row : {0, 2, 44})
        list->item(row)->setSelected(true);
    click("deleteEntryButton");
    items.removeAt(44);
    items.removeAt(2);
    items.removeAt(0);
    EXPECT_EQ(listItems(), items);
    sheet->accept();
    ASSERT_EQ(settings.profile.NoIncFileList.size(), 42u);
    EXPECT_EQ(settings.profile.NoIncFileList.front(), "/site/b.htm");
    EXPECT_EQ(settings.profile.NoIncFileList.back(), "/site/private/");
}

TEST_F(OptionsSheet, FilesPageShowsAndWritesTheRobotsAndCertificateChoices) {
    settings.profile.IgnoreRobotsTxt = 1;
    open();
    showPage(CMyPropertySheet::Files);
    EXPECT_FALSE(child<QCheckBox>("obeyRobots")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("allowSelfSigned")->isChecked());
    click("obeyRobots");
    click("allowSelfSigned");
    sheet->accept();
    EXPECT_EQ(settings.profile.IgnoreRobotsTxt, 0);
    EXPECT_EQ(settings.profile.AllowSelfSigned, 1);
}

TEST_F(OptionsSheet, ThreadCountOutsideOneToTwentyKeepsTheFilesPage) {
    open();
    showPage(CMyPropertySheet::Files);
    auto* threads = child<QLineEdit>("threadEdit");
    EXPECT_EQ(threads->text(), "3");
    threads->setText("25");
    sheet->accept();
    EXPECT_TRUE(sheet->isVisible());
    showPage(CMyPropertySheet::Output);
    EXPECT_EQ(sheet->tabs()->currentIndex(), CMyPropertySheet::Files);
    threads->setText("");
    sheet->accept();
    threads->setText("0");
    showPage(CMyPropertySheet::Search);
    EXPECT_EQ(sheet->tabs()->currentIndex(), CMyPropertySheet::Files);
    EXPECT_EQ(
        dialogs.messages.messages(),
        (Strings{"Please enter an integer between 1 and 20.", "Please enter an integer between 1 and 20.",
                 "Please enter an integer.", "Please enter an integer between 1 and 20."}));
    // The arrows stay within the range; a text that is no number starts from its low end.
    threads->setText("20");
    QTest::keyClick(threads, Qt::Key_Up);
    EXPECT_EQ(threads->text(), "20");
    threads->setText("");
    QTest::keyClick(threads, Qt::Key_Up);
    EXPECT_EQ(threads->text(), "1");
    QTest::keyClicks(threads, "x2");
    EXPECT_EQ(threads->text(), "12");
    sheet->accept();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(settings.profile.UseThreadNum, 12);
}

TEST_F(OptionsSheet, TemplateListOrderAndANameThatIsNoFolderAnyMore) {
    settings.profile.SelTemplateName = "Gone";
    open();
    showPage(CMyPropertySheet::Template);
    EXPECT_EQ(comboItems("templateCombo"), QStringList({"advanced", "Simple", "Zed"}));
    EXPECT_EQ(child<QComboBox>("templateCombo")->currentIndex(), -1);
    dialogs.confirmAnswer = true;
    click("deleteButton");
    click("previewButton");
    for (int mode = 0; mode < 3; ++mode)
        templatePage()->EditTemplateFile(mode);
    EXPECT_TRUE(dialogs.confirmed.empty());
    EXPECT_TRUE(dialogs.shell.opened.empty());
    EXPECT_TRUE(dialogs.edited.empty());
    EXPECT_EQ(settings.profile.SelTemplateName, "Gone");
}

TEST_F(OptionsSheet, TemplateAddSelectsTheCopyButKeepsTheChoiceAndRefusesBadNames) {
    open();
    showPage(CMyPropertySheet::Template);
    dialogs.prompt.answer = "Mine";
    click("addButton");
    EXPECT_EQ(
        dialogs.prompt.asked.front(),
        (Strings{"Input template name", "Name:",
                 "(Input name of the new template to be created. Should not include \\/:*?\"<>| )", ""}));
    EXPECT_EQ(testsupport::readFile(program.path() / "Template/Mine/result.html"), "<%CONTENT%>");
    EXPECT_EQ(comboItems("templateCombo"), QStringList({"advanced", "Mine", "Simple", "Zed"}));
    EXPECT_EQ(child<QComboBox>("templateCombo")->currentText(), "Mine");
    EXPECT_EQ(settings.profile.SelTemplateName, "Simple");

    for (const char* name : {"Simple", "..", "a/b"}) {
        dialogs.prompt.answer = name;
        click("addButton");
    }
    EXPECT_EQ(dialogs.messages.messages(), (Strings{"The template name 'Simple' already exist!",
                                                    "The template name '..' is not a valid folder name!",
                                                    "The template name 'a/b' is not a valid folder name!"}));
    EXPECT_EQ(child<QComboBox>("templateCombo")->currentText(), "Mine");
}

TEST_F(OptionsSheet, TemplateDeleteAskSFirstAndSelectsTheFirstEntry) {
    open();
    showPage(CMyPropertySheet::Template);
    click("deleteButton");
    EXPECT_EQ(dialogs.confirmed,
              (Strings{"Are you sure to delete selected template?\nThis will delete all files "
                       "under that template path."}));
    EXPECT_TRUE(fs::exists(program.path() / "Template/Simple/search.html"));
    dialogs.confirmAnswer = true;
    click("deleteButton");
    EXPECT_FALSE(fs::exists(program.path() / "Template/Simple"));
    EXPECT_EQ(comboItems("templateCombo"), QStringList({"advanced", "Zed"}));
    EXPECT_EQ(child<QComboBox>("templateCombo")->currentIndex(), 0);
    EXPECT_EQ(settings.profile.SelTemplateName, "Simple");
}

TEST_F(OptionsSheet, TemplateEditPreviewAndBrowseReachTheChosenFile) {
    open();
    showPage(CMyPropertySheet::Template);
    const std::string simple = paths.templateFolder + "/Simple/";
    QStringList menu;
    for (QAction* action : templatePage()->editMenu()->actions())
        menu << action->text();
    EXPECT_EQ(menu, QStringList({"&Notepad", "Shell &Edit", "&Select..."}));
    click("editButton");
    EXPECT_TRUE(templatePage()->editMenu()->isVisible());
    templatePage()->editMenu()->actions().at(0)->trigger();
    templatePage()->editMenu()->hide();
    EXPECT_EQ(dialogs.edited, (Strings{simple + "search.html"}));

    click("resultFile");
    templatePage()->EditTemplateFile(CMyPropertyPage3::ShellEdit);
    dialogs.shell.result = false;
    dialogs.nextProgram = "/usr/bin/editor";
    templatePage()->EditTemplateFile(CMyPropertyPage3::ShellEdit);
    dialogs.nextProgram.clear();
    templatePage()->EditTemplateFile(CMyPropertyPage3::OpenWith);
    EXPECT_EQ(dialogs.started, (Strings{"/usr/bin/editor " + simple + "result.html"}));

    click("frameFile");
    click("previewButton");
    click("browseButton");
    EXPECT_EQ(dialogs.shell.opened, (Strings{simple + "result.html", simple + "result.html",
                                             simple + "FrameSearch.html", paths.templateFolder}));
}

TEST(OptionsFilter, DesignFilterBecomesQtsForm) {
    EXPECT_EQ(QtFileFilter("Pages (*.htm)|*.htm;*.html|\t\tEverything|*.*||"),
              "Pages (*.htm *.html);;Everything (*)");
}

} // namespace
