#include "automation.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <cstdio>

#include "desktop/main_window.h"

namespace qs::qt {

namespace {

constexpr int kButtonCount = 3;

// Every action of the menu bar, submenus included.
QList<QAction*> AllActions(const QMenuBar* bar) {
    QList<QAction*> all;
    QList<QAction*> pending = bar->actions();
    while (!pending.isEmpty()) {
        QAction* action = pending.takeFirst();
        all << action;
        if (action->menu() != nullptr) pending << action->menu()->actions();
    }
    return all;
}

}  // namespace

Automation::Automation(MainWindow& window, QStringList actions)
    : window_(window), actions_(std::move(actions)) {
    timer_.setInterval(kStepIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &Automation::Step);
}

QStringList Automation::ActionsFromEnvironment() {
    const QByteArray text = qgetenv(kEnvironmentVariable);
    if (text.isEmpty()) return {};
    return QString::fromUtf8(text).split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

QStringList Automation::Report(const MainWindow& window) {
    QStringList lines;
    lines << QStringLiteral("caption=") + window.windowTitle();
    lines << QStringLiteral("port-label=") + window.portLabel()->text();
    for (const QAction* action : AllActions(window.menuBar())) {
        if (action->isCheckable() && action->isChecked()) {
            lines << QStringLiteral("checked=") + action->text();
        }
    }
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other != &window && other->isVisible() && other->parentWidget() == &window) {
            lines << QStringLiteral("window=") + other->windowTitle();
        }
    }
    return lines;
}

void Automation::Step() {
    if (actions_.isEmpty()) {
        timer_.stop();
        return;
    }
    const QString action = actions_.takeFirst().trimmed();
    if (action.startsWith(QStringLiteral("menu:"))) {
        const QString caption = action.mid(5);
        for (QAction* item : AllActions(window_.menuBar())) {
            if (item->text() == caption && item->menu() == nullptr) {
                item->trigger();
                break;
            }
        }
    } else if (action.startsWith(QStringLiteral("button:"))) {
        const int index = action.mid(7).toInt();
        if (index >= 0 && index < kButtonCount) window_.commandButton(index)->click();
    } else if (action == QStringLiteral("report")) {
        QStringList lines = Report(window_);
        if (extra_) lines << extra_();
        for (const QString& line : lines) {
            std::printf("%s\n", line.toLocal8Bit().constData());
        }
        std::fflush(stdout);
    } else if (action == QStringLiteral("pause")) {
        return;
    } else if (action.startsWith(QStringLiteral("screenshot:"))) {
        const QString file = action.mid(11);
        if (!window_.grab().save(file, "PNG")) {
            std::fprintf(stderr, "%s: cannot save %s\n", kEnvironmentVariable,
                         file.toLocal8Bit().constData());
        }
    } else if (action == QStringLiteral("close")) {
        window_.close();
    } else {
        std::fprintf(stderr, "%s: unknown action '%s'\n", kEnvironmentVariable,
                     action.toLocal8Bit().constData());
    }
}

}  // namespace qs::qt
