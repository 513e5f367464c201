// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own start-up work, phase by phase, as one cold process pays it.
//
//   korvex_bench_startup [--with-files]   the game: configuration, texts,
//                                         typeface, dice pictures, the main
//                                         window, the two dialogs, first render
//   korvex_bench_startup --bare           a bare main window with a menu bar,
//                                         a few labels and buttons: what any
//                                         Qt program pays, for comparison
//
// Every phase is cold only once per process, so the figures come from one run;
// run the program several times for the spread. --with-files starts with a
// configuration and a full language file in the folder, as a returning player has.
#include "BenchSupport.h"

#include "base/ProgramDir.h"
#include "app/TfrmMain.h"
#include "widgets/Typeface.h"
#include "widgets/TRxDice.h"
#include "game/ManualTimerService.h"
#include "dialogs/TfrmTopten.h"
#include "settings/Config.h"
#include "base/LanguageTable.h"
#include "base/TRegAuto.h"
#include "dialogs/TfrmSetup.h"
#include "support/FakePrompts.h"

#include <QApplication>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMap>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <cstring>

namespace {

double peakRssMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
}

// Every text of the language table under its section, as a saved editor leaves it.
QByteArray languageFile()
{
    QMap<QByteArray, QByteArray> sections;
    QList<QByteArray> order;
    for (const LangEntry &e : kLanguageTable) {
        if (!sections.contains(e.section))
            order << e.section;
        sections[e.section] += QByteArray(e.key) + '=' + e.englishDefault + "\r\n";
    }
    QByteArray out;
    for (const QByteArray &s : order)
        out += '[' + s + "]\r\n" + sections.value(s);
    return out;
}

int runGame(bool withFiles)
{
    // The sum of the phases: setting up the bench's own folder is left out.
    double sum = 0;
    auto phase = [&sum](const char *name, const QElapsedTimer &timer) {
        const double ms = bench::msSince(timer);
        sum += ms;
        bench::report(name, ms, "ms");
    };
    QElapsedTimer t;

    t.start();
    int argc = 1;
    char name[] = "korvex_bench_startup";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    const double appMs = bench::msSince(t);

    QTemporaryDir dir;
    if (!dir.isValid())
        return 2;
    ProgramDir::set(dir.path() + QLatin1Char('/'));
    if (withFiles) {
        if (!writeFile(ProgramDir::file(QStringLiteral("Korvex.cnf")), "[Game]\r\nWinner=3000\r\nValid=1\r\n")
            || !writeFile(ProgramDir::file(QStringLiteral("Korvex.lng")), languageFile()))
            return 2;
    }
    bench::note(QStringLiteral("game start-up, %1, platform %2")
                    .arg(withFiles ? QStringLiteral("configuration and language files present")
                                   : QStringLiteral("no files yet (first start)"),
                         QGuiApplication::platformName()));
    bench::report("startup.qapplication", appMs, "ms");

    t.restart();
    TRegAuto cfgStore(ProgramDir::file(QStringLiteral("Korvex.cnf")));
    const Config cfg = readConfig(cfgStore);
    phase("startup.configuration", t);

    t.restart();
    TRegAuto lngStore(ProgramDir::file(QStringLiteral("Korvex.lng")));
    const LanguageTexts texts = readLanguage(lngStore, false, false);
    phase("startup.texts", t);

    t.restart();
    const QString family = Typeface::family();
    phase("startup.typeface", t);

    t.restart();
    const QScreen *screen = QGuiApplication::primaryScreen();
    const qreal dpr = screen ? screen->devicePixelRatio() : 1.0;
    for (int face = 1; face <= 6; ++face)
        TRxDice::facePixmap(face, dpr);
    phase("startup.dice_pictures", t);

    ManualTimerService timers;
    FakePrompts prompts;
    t.restart();
    TfrmMain w(prompts, timers, {});
    phase("startup.main_window", t);

    t.restart();
    w.topten();
    phase("startup.topten_dialog", t);

    t.restart();
    w.setup();
    phase("startup.settings_dialog", t);

    t.restart();
    const QPixmap shot = w.grab();
    phase("startup.first_render", t);

    bench::report("startup.total_after_qapp", sum, "ms");
    bench::report("startup.total", sum + appMs, "ms");
    bench::report("startup.peak_rss", peakRssMiB(), "MiB");
    bench::note(QStringLiteral("typeface '%1', winner %2, render %3x%4, %5 texts")
                    .arg(family)
                    .arg(cfg.Winner)
                    .arg(shot.width())
                    .arg(shot.height())
                    .arg(texts.size()));
    return shot.isNull() ? 1 : 0;
}

int runBare()
{
    QElapsedTimer t;

    t.start();
    int argc = 1;
    char name[] = "korvex_bench_startup";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    const double appMs = bench::msSince(t);
    bench::note(QStringLiteral("bare window, platform %1").arg(QGuiApplication::platformName()));
    bench::report("bare.qapplication", appMs, "ms");

    t.restart();
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("bare"));
    QMenu *first = w.menuBar()->addMenu(QStringLiteral("First"));
    first->addAction(QStringLiteral("One"));
    first->addSeparator();
    first->addAction(QStringLiteral("Two"));
    w.menuBar()->addMenu(QStringLiteral("Second"))->addAction(QStringLiteral("Three"));
    auto *central = new QWidget(&w);
    auto *column = new QVBoxLayout(central);
    auto *boxes = new QHBoxLayout;
    for (int i = 1; i <= 5; ++i) {
        auto *box = new QLabel(QString::number(i), central);
        box->setFrameStyle(QFrame::Box | QFrame::Plain);
        box->setMinimumSize(48, 48);
        box->setAlignment(Qt::AlignCenter);
        boxes->addWidget(box);
    }
    column->addLayout(boxes);
    auto *grid = new QGridLayout;
    for (int r = 0; r < 3; ++r) {
        grid->addWidget(new QLabel(QStringLiteral("Caption %1").arg(r), central), r, 0);
        grid->addWidget(new QLabel(QStringLiteral("0"), central), r, 1);
    }
    column->addLayout(grid);
    column->addStretch(1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (const char *caption : {"A", "B", "C"})
        buttons->addWidget(new QPushButton(QString::fromLatin1(caption), central));
    column->addLayout(buttons);
    w.setCentralWidget(central);
    w.statusBar()->showMessage(QStringLiteral("ready"));
    w.resize(467, 327);
    const double windowMs = bench::msSince(t);
    bench::report("bare.window", windowMs, "ms");

    t.restart();
    const QPixmap shot = w.grab();
    const double renderMs = bench::msSince(t);
    bench::report("bare.first_render", renderMs, "ms");
    bench::report("bare.total_after_qapp", windowMs + renderMs, "ms");
    bench::report("bare.total", appMs + windowMs + renderMs, "ms");
    bench::report("bare.peak_rss", peakRssMiB(), "MiB");
    return shot.isNull() ? 1 : 0;
}

} // namespace

int main(int argc, char *argv[])
{
    bench::defaultToOffscreen();
    bool bare = false;
    bool withFiles = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--bare") == 0) {
            bare = true;
        } else if (std::strcmp(argv[i], "--with-files") == 0) {
            withFiles = true;
        } else {
            std::fprintf(stderr, "usage: %s [--bare | --with-files]\n", argv[0]);
            return 2;
        }
    }
    return bare ? runBare() : runGame(withFiles);
}
