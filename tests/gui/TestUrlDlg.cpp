#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>

#include "GuiTestSupport.h"
#include "ui/DialogUrlPrompt.h"
#include "ui/UrlDlg.h"

using namespace guitest;

namespace {

UrlHistory historyOf(std::vector<std::string> entries, int selection, int checkRootLinks = 0) {
    UrlHistory history;
    history.reserved = 7;
    history.entries = std::move(entries);
    history.selection = selection;
    history.checkRootLinks = checkRootLinks;
    return history;
}

QStringList comboEntries(QComboBox* combo) {
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i)
        entries << combo->itemText(i);
    return entries;
}

} // namespace

class UrlDlgTest : public ::testing::Test {
protected:
    testsupport::RecordingMessages messages;
    DialogUrlPrompt prompt{messages};
};

TEST_F(UrlDlgTest, ShowsTheHistoryAndMovesAChosenEntryToTheTop) {
    UrlHistory history = historyOf({"http://a.test/", "http://b.test/", "http://c.test/"}, 1, 1);
    QString caption;
    QStringList texts;
    QStringList entries;
    QString shownAddress;
    bool checkHidden = false;
    bool checked = false;
    bool promptLeadsToCombo = false;
    answerNextModal([&](QWidget* box) {
        box->grab().save(QStringLiteral(FINDLARK_TEST_OUTPUT_DIR "/urldialog.png"));
        caption = box->windowTitle();
        for (QLabel* label : box->findChildren<QLabel*>())
            texts << label->text();
        auto* combo = box->findChild<QComboBox*>();
        entries = comboEntries(combo);
        shownAddress = combo->currentText();
        promptLeadsToCombo = box->findChild<QLabel*>("promptText")->buddy() == combo;
        auto* check = box->findChild<QCheckBox*>();
        checkHidden = check->isHidden();
        checked = check->isChecked();
        // Choosing the last entry puts it in the field; Enter there is OK.
        combo->setCurrentIndex(2);
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    });
    const auto address = prompt.ask(history);

    EXPECT_EQ(caption, "Input Website Address");
    EXPECT_EQ(texts, QStringList({"&Input address of the website that you want to index for making a search "
                                  "engine:",
                                  "Example: http://www.example.com/",
                                  "(If you have a copy of files of the website in your hard disk,you can use "
                                  "\"Index Folder\" because it's much faster.)"}));
    EXPECT_TRUE(promptLeadsToCombo);
    EXPECT_EQ(entries, QStringList({"http://a.test/", "http://b.test/", "http://c.test/"}));
    EXPECT_EQ(shownAddress, "http://b.test/");
    EXPECT_TRUE(checkHidden);
    EXPECT_TRUE(checked);

    EXPECT_EQ(address, std::optional<std::string>("http://c.test/"));
    EXPECT_EQ(history.entries,
              (std::vector<std::string>{"http://c.test/", "http://a.test/", "http://b.test/"}));
    EXPECT_EQ(history.selection, 0);
    EXPECT_EQ(history.checkRootLinks, 1);
    EXPECT_EQ(history.reserved, 7u);
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(UrlDlgTest, TypedAddressIsCompletedAndReplacesItsOlderCopy) {
    UrlHistory history = historyOf({"http://x.test/", "http://server.test/"}, -1);
    QString shownAddress = "not read";
    answerNextModal([&](QWidget* box) {
        auto* combo = box->findChild<QComboBox*>();
        shownAddress = combo->currentText();
        QTest::keyClicks(combo->lineEdit(), "server.test");
        box->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    const auto address = prompt.ask(history);
    EXPECT_EQ(shownAddress, ""); // nothing was selected last time
    EXPECT_EQ(address, std::optional<std::string>("http://server.test/"));
    EXPECT_EQ(history.entries, (std::vector<std::string>{"http://server.test/", "http://x.test/"}));
    EXPECT_EQ(history.selection, 0);
    EXPECT_EQ(history.checkRootLinks, 0);
}

TEST_F(UrlDlgTest, EmptyAddressIsRefusedAndTheDialogStaysOpenUntilCancelled) {
    UrlHistory history = historyOf({"http://a.test/"}, -1);
    bool openAfterOk = false;
    answerNextModal([&](QWidget* box) {
        box->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        openAfterOk = box->isVisible();
        // Typed text is not taken when the dialog is cancelled.
        QTest::keyClicks(box->findChild<QComboBox*>()->lineEdit(), "typed.test");
        QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(prompt.ask(history), std::nullopt);
    EXPECT_EQ(messages.messages(), std::vector<std::string>{CUrlDlg::kEmptyAddress});
    EXPECT_TRUE(openAfterOk);
    EXPECT_EQ(history.entries, std::vector<std::string>{"http://a.test/"});
    EXPECT_EQ(history.selection, -1);
}
