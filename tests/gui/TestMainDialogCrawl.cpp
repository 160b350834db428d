#include <QProcess>
#include <QThread>
#include <algorithm>
#include <arpa/inet.h>
#include <map>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "GuiTestSupport.h"
#include "app/ProductInfo.h"
#include "crawler/UrlHistory.h"
#include "platform/EventPump.h"

using namespace guitest;

namespace {

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A port nobody listens on right now: the system picks one for a socket that is closed again.
int freeLoopbackPort() {
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t size = sizeof address;
    int port = 0;
    if (bind(probe, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    close(probe);
    return port;
}

bool accepts(int port) {
    const int client = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(port);
    const bool connected = connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(client);
    return connected;
}

// A copy of a folder served over HTTP on the loopback interface by Python's built-in server.
class LoopbackSite {
public:
    explicit LoopbackSite(const std::string& folder) {
        m_port = freeLoopbackPort();
        if (m_port == 0)
            return;
        m_server.setStandardErrorFile(QProcess::nullDevice());
        m_server.setStandardOutputFile(QProcess::nullDevice());
        m_server.start(QStringLiteral("python3"),
                       {"-m", "http.server", "--bind", "127.0.0.1", QString::number(m_port), "-d",
                        QString::fromStdString(folder)});
        if (!m_server.waitForStarted())
            return;
        // Readiness, not timing: the server is used once it accepts a connection.
        for (int attempt = 0; attempt < 400 && m_server.state() == QProcess::Running; ++attempt) {
            if (accepts(m_port)) {
                m_ready = true;
                return;
            }
            QThread::msleep(50);
        }
    }
    ~LoopbackSite() {
        m_server.kill();
        m_server.waitForFinished();
    }
    bool ready() const { return m_ready; }
    std::string address(const std::string& path = "") const {
        return "http://127.0.0.1:" + std::to_string(m_port) + "/" + path;
    }

private:
    QProcess m_server;
    int m_port = 0;
    bool m_ready = false;
};

// Every text the window's status lines held, in order, seen before each event the window's thread
// handles: each crawl notification is one event, so no state between two of them is missed.
class LabelRecorder : public QObject {
public:
    LabelRecorder(QWidget* window, std::initializer_list<const char*> names) {
        for (const char* name : names)
            m_labels[name] = window->findChild<QLabel*>(name);
        qApp->installEventFilter(this);
    }
    ~LabelRecorder() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent*) override {
        record();
        return false;
    }
    void record() {
        for (auto& [name, label] : m_labels) {
            QStringList& seen = m_seen[name];
            if (seen.isEmpty() || seen.back() != label->text())
                seen << label->text();
        }
    }
    const QStringList& seen(const std::string& name) { return m_seen[name]; }

private:
    std::map<std::string, QLabel*> m_labels;
    std::map<std::string, QStringList> m_seen;
};

void saveHistory(const std::string& path, std::vector<std::string> entries) {
    UrlHistory history;
    history.entries = std::move(entries);
    history.selection = 0;
    ASSERT_TRUE(SaveUrlHistory(path, history));
}

} // namespace

class MainDialogCrawl : public MainWindowTest {
protected:
    MainDialogCrawl() {
        // Dispatch many times a second so that the crawl's idle end comes quickly.
        dialog->runControl().setCrawlTiming(SpiderSettings{}, 20);
    }
    std::string historyPath() const { return program.str(std::string(kUrlHistoryFileName)); }
    void waitForCrawl() {
        RunControl& run = dialog->runControl();
        waitHandlingEvents([&run] { return run.jobEnded(); });
    }
};

TEST_F(MainDialogCrawl, IndexWebsiteCrawlsFromTheRootAndShowsItsProgress) {
    LoopbackSite server(copySampleSite());
    if (!server.ready())
        GTEST_SKIP() << "python3 -m http.server could not be started";
    saveHistory(historyPath(), {"http://old.test/"});
    urlPrompt.answer = server.address("index.html");
    LabelRecorder recorder(dialog.get(), {"connectionText", "threadCountText", "currentItem"});

    trigger(CommandIds::IndexWebsite);
    waitForCrawl();
    recorder.record();

    // The dialog was offered the saved history; the file now has the new address on top.
    ASSERT_EQ(urlPrompt.shown.size(), 1u);
    EXPECT_EQ(urlPrompt.shown[0].entries, std::vector<std::string>{"http://old.test/"});
    UrlHistory saved;
    ASSERT_TRUE(LoadUrlHistory(historyPath(), saved));
    EXPECT_EQ(saved.entries, (std::vector<std::string>{server.address("index.html"), "http://old.test/"}));
    EXPECT_EQ(saved.selection, 0);

    // The crawl starts at the folder of the typed page and follows the links below it.
    EXPECT_EQ(dialog->runControl().crawlRoot(), server.address());
    std::vector<std::string> rows;
    for (int i = 0; i < rowCount(); ++i) {
        QTreeWidgetItem* item = pageList()->topLevelItem(i);
        EXPECT_EQ(item->text(1), "Indexed") << item->text(0).toStdString();
        rows.push_back(item->text(0).toStdString());
    }
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], server.address());
    for (const char* page : {"guides/getting-started.html", "products/index.html"})
        EXPECT_NE(std::find(rows.begin(), rows.end(), server.address(page)), rows.end()) << page;

    const QStringList connection = recorder.seen("connectionText");
    EXPECT_TRUE(connection.contains("Request sent")) << connection.join(" | ").toStdString();
    EXPECT_TRUE(connection.contains("Connection Closed")) << connection.join(" | ").toStdString();
    EXPECT_EQ(connection.back(), "");
    const QStringList threads = recorder.seen("threadCountText");
    EXPECT_TRUE(threads.contains("Threads:1")) << threads.join(" | ").toStdString();
    EXPECT_EQ(threads.back(), "Threads:0");
    EXPECT_TRUE(recorder.seen("currentItem").contains(QString::fromStdString(server.address())));
    EXPECT_EQ(labelText("currentItem").toStdString(), ProductInfo::kWebAddress);
    EXPECT_EQ(labelText("statusText"), "Finish");
    EXPECT_TRUE(control("goButton")->isEnabled());
    EXPECT_FALSE(control("stopButton")->isEnabled());
    const std::string data = indexData();
    EXPECT_NE(data.find("fileNum=" + std::to_string(rows.size()) + ";"), std::string::npos);
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(MainDialogCrawl, DamagedHistoryStartsEmptyAndCancelChangesNothing) {
    program.write(std::string(kUrlHistoryFileName), "not a history");
    trigger(CommandIds::IndexWebsite);
    ASSERT_EQ(urlPrompt.shown.size(), 1u);
    EXPECT_TRUE(urlPrompt.shown[0].entries.empty());
    EXPECT_EQ(urlPrompt.shown[0].selection, -1);
    EXPECT_EQ(testsupport::readFile(historyPath()), "not a history");
    EXPECT_EQ(labelText("statusText"), "Ready");
    EXPECT_FALSE(control("goButton")->isEnabled());
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(MainDialogCrawl, UnwritableHistoryIsReportedAndTheCrawlStartsAllTheSame) {
    fs::create_directory(historyPath()); // neither readable nor writable as a file
    urlPrompt.answer = "http://127.0.0.1:9/";
    trigger(CommandIds::IndexWebsite);
    EXPECT_TRUE(urlPrompt.shown.at(0).entries.empty());
    EXPECT_EQ(messages.messages(),
              std::vector<std::string>{"Unable to Save URL Settings in file  " + historyPath()});
    EXPECT_EQ(dialog->runControl().jobKind(), JobKinds::Website);
    EXPECT_EQ(dialog->runControl().crawlRoot(), "http://127.0.0.1:9/");
    EXPECT_EQ(labelText("statusText"), "Process...");
    trigger(CommandIds::Stop);
    waitForCrawl();
    EXPECT_EQ(labelText("statusText"), "Finish");
}
