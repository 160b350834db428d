#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include "GuiTestSupport.h"
#include "app/ProductInfo.h"
#include "store/IndexDataFile.h"

using namespace guitest;

namespace {

struct ShownRow {
    std::string page;
    std::string status;
    int image;
};

const int kLargeSite = 3000;

} // namespace

class MainDialogRun : public MainWindowTest {
protected:
    std::vector<ShownRow> shownRows() const {
        std::vector<ShownRow> rows;
        for (int i = 0; i < rowCount(); ++i) {
            QTreeWidgetItem* item = pageList()->topLevelItem(i);
            int image = -1;
            for (int candidate : {PageImages::Reading, PageImages::Indexed, PageImages::Failure})
                if (item->icon(0).cacheKey() == dialog->runView().statusIcon(candidate).cacheKey())
                    image = candidate;
            rows.push_back({item->text(0).toStdString(), item->text(1).toStdString(), image});
        }
        return rows;
    }
    bool stopEnabled() const { return control("stopButton")->isEnabled(); }
    bool goEnabled() const { return control("goButton")->isEnabled(); }
    static int trailerCount(const std::string& data) {
        const size_t at = data.rfind("fileNum=");
        return at == std::string::npos ? -1 : std::stoi(data.substr(at + 8));
    }
};

TEST_F(MainDialogRun, IndexFolderShowsEveryPageWithItsStatus) {
    const std::string root = copySampleSite() + "/";
    fs::create_symlink(site.str("missing.htm"), site.str("broken.htm")); // cannot be read
    app.settings.AddFolderInitPath = "/previous/";
    indexFolder(site.str());
    waitForRun();

    EXPECT_EQ(browsed, std::vector<std::string>{std::string(CMainDialog::kIndexFolderTitle) + "|/previous/"});
    const std::vector<std::string> expected = {"about.html",
                                               "broken.htm",
                                               "contact.htm",
                                               "index.html",
                                               "blog/night-walk.html",
                                               "blog/spring-market.html",
                                               "guides/getting-started.html",
                                               "guides/advanced/care.html",
                                               "notes/changelog.txt",
                                               "private/draft.html",
                                               "products/compass.html",
                                               "products/index.html",
                                               "products/lantern.html"};
    const std::vector<ShownRow> rows = shownRows();
    ASSERT_EQ(rows.size(), expected.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].page, root + expected[i]);
        const bool broken = expected[i] == "broken.htm";
        EXPECT_EQ(rows[i].status, broken ? "Failure" : "Indexed") << expected[i];
        EXPECT_EQ(rows[i].image, broken ? PageImages::Failure : PageImages::Indexed) << expected[i];
    }
    EXPECT_EQ(labelText("statusText"), "Finish");
    EXPECT_EQ(labelText("currentItem").toStdString(), ProductInfo::kWebAddress);
    EXPECT_FALSE(stopEnabled());
    EXPECT_TRUE(goEnabled());
    EXPECT_TRUE(dialog->runControl().idle());
    EXPECT_EQ(app.settings.AddFolderInitPath, root);
    EXPECT_EQ(app.settings.browseFolder, "/previous/");
    EXPECT_EQ(trailerCount(indexData()), static_cast<int>(expected.size()));
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(MainDialogRun, CancelledFolderChoiceStartsNothing) {
    indexFolder("");
    EXPECT_EQ(browsed.size(), 1u);
    EXPECT_EQ(labelText("statusText"), "Ready");
    EXPECT_FALSE(goEnabled());
    EXPECT_FALSE(fs::exists(program.indexDataPath()));
}

TEST_F(MainDialogRun, StopLetsTheJobFinishItsFileAndEndWithItsTrailer) {
    indexFolder(makeLargeSite(kLargeSite));
    pumpUntil([&] { return rowCount() >= 5; });
    EXPECT_TRUE(stopEnabled());
    EXPECT_FALSE(goEnabled());
    EXPECT_EQ(labelText("statusText"), "Process...");

    // The job cannot end while this thread handles no events: it waits for the window at every step.
    static_cast<QAbstractButton*>(control("stopButton"))->click();
    EXPECT_FALSE(stopEnabled());
    EXPECT_TRUE(goEnabled());
    EXPECT_EQ(labelText("statusText"), "Process...");
    EXPECT_FALSE(dialog->runControl().idle());

    waitForRun();
    EXPECT_EQ(labelText("statusText"), "Finish");
    EXPECT_LT(rowCount(), kLargeSite);
    EXPECT_EQ(trailerCount(indexData()), rowCount());
    EXPECT_FALSE(stopEnabled());
    EXPECT_TRUE(goEnabled());
}

TEST_F(MainDialogRun, GoAfterFinishRunsTheSameFolderAfresh) {
    site.write("a.htm", "<title>A</title>");
    indexFolder(site.str());
    waitForRun();
    ASSERT_EQ(rowCount(), 1);

    site.write("b.htm", "<title>B</title>");
    static_cast<QAbstractButton*>(control("goButton"))->click();
    EXPECT_FALSE(goEnabled());
    waitForRun();
    ASSERT_EQ(rowCount(), 2);
    EXPECT_EQ(pageList()->topLevelItem(1)->text(0).toStdString(), site.str() + "/b.htm");
    const std::string data = indexData();
    EXPECT_EQ(data.find("arrFiles=new Array();"), 0u);
    EXPECT_EQ(data.find("arrFiles=new Array();", 1), std::string::npos); // the old file was replaced
    EXPECT_EQ(trailerCount(data), 2);
    EXPECT_EQ(browsed.size(), 1u);
}

TEST_F(MainDialogRun, SearchFilesAreRefusedDuringARunAndMadeAfterIt) {
    site.write("a.htm", "<title>A</title>");
    indexFolder(site.str()); // an index to make from exists before the long run
    waitForRun();
    indexFolder(makeLargeSite(kLargeSite));
    pumpUntil([&] { return rowCount() >= 1; });
    trigger(CommandIds::MakeSearchFile);
    trigger(CommandIds::RunSearchFile);
    const std::string busy =
        "Current indexing work has not been finished yet!\nPlease wait or stop the work to continue.";
    EXPECT_EQ(messages.messages(), (std::vector<std::string>{busy, busy}));
    EXPECT_TRUE(shell.opened.empty());

    trigger(CommandIds::Stop);
    waitForRun();
    trigger(CommandIds::MakeSearchFile);
    trigger(CommandIds::RunSearchFile);
    EXPECT_EQ(messages.messages().size(), 2u);
    EXPECT_EQ(shell.opened, (std::vector<std::string>{output.str() + "/", output.str() + "/search.html"}));
    EXPECT_TRUE(fs::exists(output.path() / "webdata.js"));
    EXPECT_TRUE(fs::exists(output.path() / "searchfunc.js"));
    EXPECT_EQ(testsupport::readFile(output.path() / "webdata.js"), indexData());
}

TEST_F(MainDialogRun, JobMessageIsShownOnTheWindowThreadWhileTheJobWaits) {
    CMainDialog window(app); // with its own message boxes
    window.setShell(shell);
    site.write("a.htm", "a");
    window.folderBrowser = [&](QWidget*, const std::string&, const std::string&) { return site.str(); };
    // The data file cannot be written: Go says so at once, and the job again when its trailer fails.
    app.paths.indexDataPath = site.str("no-such-folder/IndexData.dat");
    QString text;
    bool jobWaited = false;
    bool onWindowThread = false;
    answerNextModal([&](QWidget* header) {
        static_cast<QMessageBox*>(header)->button(QMessageBox::Ok)->click();
        answerNextModal([&](QWidget* box) {
            text = static_cast<QMessageBox*>(box)->text();
            onWindowThread = box->thread() == QThread::currentThread() && box->thread() == window.thread();
            jobWaited = !window.runControl().jobEnded();
            static_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
        });
    });
    window.commandAction(CommandIds::IndexFolder)->trigger();
    window.runControl().waitForJob();
    EXPECT_EQ(text.toStdString(), IndexDataWriteFailure(app.paths.indexDataPath));
    EXPECT_TRUE(onWindowThread);
    EXPECT_TRUE(jobWaited);
    EXPECT_EQ(window.findChild<QLabel*>("statusText")->text(), "Finish");
}

TEST_F(MainDialogRun, WindowAfterARunIsRenderedForReview) {
    copySampleSite();
    dialog->show();
    indexFolder(site.str());
    waitForRun();
    QCoreApplication::processEvents();
    const QPixmap picture = dialog->grab();
    const QString path = QStringLiteral(FINDLARK_TEST_OUTPUT_DIR "/mainwindow.png");
    ASSERT_TRUE(picture.save(path));
    const QImage saved(path);
    EXPECT_EQ(saved.size(), dialog->size() * dialog->devicePixelRatio());
    // The page list's status icons were drawn: the green of the "Indexed" mark shows in the first row.
    const QRect firstRow = pageList()->visualItemRect(pageList()->topLevelItem(0));
    const QPoint rowOrigin = pageList()->viewport()->mapTo(dialog.get(), firstRow.topLeft());
    bool green = false;
    for (int x = 0; x < 24 && !green; ++x)
        for (int y = 0; y < firstRow.height() && !green; ++y) {
            const QColor pixel = saved.pixelColor(rowOrigin + QPoint(x, y));
            green = pixel.green() > 120 && pixel.red() < 90 && pixel.blue() < 120;
        }
    EXPECT_TRUE(green);
}
