// The workbench under a real window manager: a genetic search that lists
// every generation in "Consultas" must not make the window manager move
// the focus at every listing. An X server of its own (Xvfb) with openbox
// runs for this test alone. Two things are watched on the root window: the
// activation requests clients send the window manager (ClientMessage
// _NET_ACTIVE_WINDOW, seen by xev, which selects the root's structure and
// substructure events those requests are sent with), and the changes of the active
// window it makes (the root's _NET_ACTIVE_WINDOW property, seen by xprop).
// A request for a window that is already active changes nothing, so only
// the requests tell a program that asks at every listing from one that
// does not.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/workbench.h"
#include "ga/ga_window.h"
#include "ga/genetic_search.h"
#include "qt/gui_app.h"
#include "support/workbench_fixture.h"

extern char** environ;

namespace vorn::testing {
namespace {

constexpr int kMostActivations = 5;

std::string skip_reason;   // set when the X tools are missing
std::string spy_file;      // where xprop writes its lines
std::string request_file;  // where xev writes the events sent to the root

pid_t spawn(const std::vector<std::string>& args, const posix_spawn_file_actions_t* actions = nullptr) {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], actions, nullptr, argv.data(), environ) != 0) return 0;
    return pid;
}

// An X server on a display nobody uses, with its window manager and spy.
class XSession {
public:
    std::optional<std::string> start() {
        for (const char* tool : {"Xvfb", "openbox", "xprop", "xev"}) {
            if (QStandardPaths::findExecutable(tool).isEmpty()) {
                return std::string(tool) + " no esta instalado (paquetes xvfb, openbox, x11-utils)";
            }
        }
        // Xvfb picks a free display itself and writes its number when ready.
        int ready[2];
        if (pipe(ready) != 0) return "pipe";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, ready[0]);
        server_ = spawn({"Xvfb", "-displayfd", std::to_string(ready[1]), "-screen", "0", "1024x768x24", "-nolisten",
                         "tcp"},
                        &actions);
        posix_spawn_file_actions_destroy(&actions);
        close(ready[1]);
        std::string number;
        char c = 0;
        while (read(ready[0], &c, 1) == 1 && c != '\n') number += c;
        close(ready[0]);
        if (server_ == 0 || number.empty()) return "Xvfb no arranco";
        setenv("DISPLAY", (":" + number).c_str(), 1);

        wm_ = spawn({"openbox", "--sm-disable"});
        // The window manager is there once it names its check window.
        QElapsedTimer waited;
        waited.start();
        while (!root_has("_NET_SUPPORTING_WM_CHECK")) {
            if (waited.elapsed() > 10000) return "openbox no arranco";
            usleep(50000);
        }
        posix_spawn_file_actions_t to_file;
        posix_spawn_file_actions_init(&to_file);
        posix_spawn_file_actions_addopen(&to_file, 1, spy_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        spy_ = spawn({"xprop", "-root", "-spy", "_NET_ACTIVE_WINDOW"}, &to_file);
        posix_spawn_file_actions_destroy(&to_file);
        posix_spawn_file_actions_t requests;
        posix_spawn_file_actions_init(&requests);
        posix_spawn_file_actions_addopen(&requests, 1, request_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        requests_ = spawn({"xev", "-root", "-event", "structure", "-event", "substructure"}, &requests);
        posix_spawn_file_actions_destroy(&requests);
        return std::nullopt;
    }
    ~XSession() {
        for (pid_t pid : {requests_, spy_, wm_, server_}) {
            if (pid == 0) continue;
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }

private:
    static bool root_has(const char* property) {
        std::string command = std::string("xprop -root ") + property + " 2>/dev/null";
        FILE* out = popen(command.c_str(), "r");
        if (out == nullptr) return false;
        char line[256] = {};
        const bool found = fgets(line, sizeof line, out) != nullptr && std::string(line).find("window id") != std::string::npos;
        pclose(out);
        return found;
    }
    pid_t server_ = 0, wm_ = 0, spy_ = 0, requests_ = 0;
};

// What xprop has written: the active window at start, then a line per change.
QByteArray spied() {
    QFile file(QString::fromStdString(spy_file));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The windows made active one after the other, from xprop's lines. Openbox
// passes through "none" (0x0) between two windows; that is no activation.
QList<QByteArray> activated() {
    QList<QByteArray> windows;
    for (const QByteArray& line : spied().split('\n')) {
        const QByteArray id = line.mid(line.lastIndexOf(' ') + 1);
        if (!id.startsWith("0x") || id == "0x0" || (!windows.isEmpty() && windows.back() == id)) continue;
        windows.push_back(id);
    }
    return windows;
}

// The windows of the activation requests sent so far, by any client, in order.
QList<QByteArray> requests() {
    QFile file(QString::fromStdString(request_file));
    QList<QByteArray> windows;
    if (!file.open(QIODevice::ReadOnly)) return windows;
    const QByteArray events = file.readAll();
    for (qsizetype at = events.indexOf("(_NET_ACTIVE_WINDOW)"); at >= 0;
         at = events.indexOf("(_NET_ACTIVE_WINDOW)", at + 1)) {
        const qsizetype window = events.lastIndexOf("window 0x", at);
        windows.push_back(window < 0 ? QByteArray("?") : events.mid(window + 7, events.indexOf(',', window) - window - 7));
    }
    return windows;
}

// Lets the window manager and xprop catch up.
void settle(int ms) {
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

template <class W>
W* child_of(const char* window, const char* name) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == QLatin1String(window)) return top->findChild<W*>(QLatin1String(name));
    }
    return nullptr;
}

TEST(WindowManager, a_search_that_lists_every_generation_leaves_the_focus_alone_and_ends_with_its_box) {
    if (!skip_reason.empty()) GTEST_SKIP() << skip_reason;
    TempDir dir;
    OpenedDatabase opened = open_database(dir.path() / "ga7.mdb");
    ASSERT_TRUE(opened.db) << opened.refusal;
    char name[] = "vorn2";
    char* argv[] = {name, nullptr};
    qt::GuiApp app(1, argv);

    Workbench* bench = nullptr;
    QElapsedTimer clock;
    clock.start();
    qint64 last_progress = -1, box_at = -1;
    int listings = 0, activations = -1, asked = -1;
    std::string windows;  // which X window is which, should the count fail
    QString box_text;
    std::string failure;

    QTimer::singleShot(500, [&] {
        auto* ga_button = child_of<QPushButton>("vorn2", "Command46");
        if (ga_button == nullptr) {
            failure = "no GA button";
            QCoreApplication::exit(2);
            return;
        }
        ga_button->click();
        ga::GaWindow& w = bench->genetic_search().window();
        // The window sets its defaults from its first timer; the fields come after.
        QElapsedTimer waited;
        waited.start();
        while (w.Timer1.interval() != 0 && waited.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 20);
        w.Text3.set_text("100");
        w.Text4.set_text("40");
        w.Text5.set_text("1");
        w.Combo1.set_text("Strat");
        w.ComboMetodo.set_text("Clasico");
        bench->reports().get().List1.observe([&](Change change) { listings += change == Change::Repaint; });
        settle(1500);
        const qsizetype before = activated().size();
        const qsizetype asked_before = requests().size();

        // The end box opens inside the run: a poll sees it, times it and closes it.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            if (box_at < 0) {
                box_at = clock.elapsed();
                box_text = box->text();
                settle(300);  // the box's own activation is counted too
            }
            box->accept();
        });
        poll.start(5);
        bench->on_progress([&](const Progress&) { last_progress = clock.elapsed(); });
        child_of<QPushButton>("GABPN", "GroupPush3D1")->click();
        poll.stop();
        settle(1500);
        activations = static_cast<int>(activated().size() - before);
        asked = static_cast<int>(requests().size() - asked_before);
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->isWindow() && top->testAttribute(Qt::WA_WState_Created)) {
                windows += top->objectName().toStdString() + "=0x" + QString::number(top->winId(), 16).toStdString() + " ";
            }
        }
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() == QLatin1String("vorn2")) top->close();
        }
    });
    const int code = app.run({.seed = 7, .no_startup = true}, [&](Platform& platform) {
        auto made = std::make_unique<Workbench>(*opened.db, platform, dir.path());
        bench = made.get();
        return made;
    });
    ASSERT_TRUE(failure.empty()) << failure;
    EXPECT_EQ(code, 0);
    ASSERT_GE(box_at, 0) << "the end box never appeared";
    EXPECT_TRUE(box_text.startsWith("Programa Terminado")) << box_text.toStdString();
    EXPECT_GE(listings, 2);
    EXPECT_GE(activations, 0);
    EXPECT_LE(asked, kMostActivations) << windows << "\n" << requests().join(' ').toStdString();
    EXPECT_LE(activations, kMostActivations) << windows << "\n" << activated().join(' ').toStdString();
    std::printf("[ figures  ] %d listings, %d activation requests, %d changes of the active window, end box %.3f s "
                "after the last progress\n",
                listings, asked, activations, static_cast<double>(box_at - last_progress) / 1000.0);
}

}  // namespace
}  // namespace vorn::testing

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir scratch;
    vorn::testing::spy_file = (scratch.path() + "/activas.txt").toStdString();
    vorn::testing::request_file = (scratch.path() + "/pedidos.txt").toStdString();
    vorn::testing::XSession x;
    if (auto missing = x.start()) {
        vorn::testing::skip_reason = *missing;
        return RUN_ALL_TESTS();
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    // Window places are kept in a folder of the test's own.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, scratch.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, scratch.path());
    QCoreApplication::setOrganizationName(QStringLiteral("vorn2-pruebas"));
    QCoreApplication::setApplicationName(QStringLiteral("vorn2-pruebas"));
    return RUN_ALL_TESTS();
}
