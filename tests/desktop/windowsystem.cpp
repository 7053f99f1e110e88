#include "windowsystem.h"

#include "support/waiting.h"

#include <QProcess>
#include <QRegularExpression>
#include <array>
#include <csignal>
#include <gtest/gtest.h>
#include <optional>

namespace korimo::test {

namespace {

QString run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(10000))
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

QList<XWindow> windowIds(const QString& text) {
    QList<XWindow> ids;
    static const QRegularExpression hex(QStringLiteral("0x[0-9a-fA-F]+"));
    for (const auto& match : hex.globalMatch(text))
        ids << match.captured().toULong(nullptr, 16);
    return ids;
}

QString xprop(XWindow window, const char* atom) {
    const QStringList target = window ? QStringList{QStringLiteral("-id"), QString::number(window)}
                                      : QStringList{QStringLiteral("-root")};
    return run(QStringLiteral("xprop"), target + QStringList{QString::fromLatin1(atom)});
}

// The first four numbers of a property as xprop prints it ("= 1, 2, 3, 4"); none when unset.
std::optional<std::array<int, 4>> fourNumbers(XWindow window, const char* atom) {
    static const QRegularExpression numbers(
        QStringLiteral("=\\s*(\\d+),\\s*(\\d+),\\s*(\\d+),\\s*(\\d+)"));
    const auto m = numbers.match(xprop(window, atom));
    if (!m.hasMatch())
        return std::nullopt;
    return std::array<int, 4>{m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                              m.captured(4).toInt()};
}

// The atoms a list property names, as far as they match atom.
QStringList atomsIn(XWindow window, const char* property, const QRegularExpression& atom) {
    QStringList atoms;
    for (const auto& match : atom.globalMatch(xprop(window, property)))
        atoms << match.captured();
    return atoms;
}

int field(const QString& text, const char* name) {
    const QRegularExpression re(QString::fromLatin1(name) + QStringLiteral(":\\s*(-?\\d+)"));
    return re.match(text).captured(1).toInt();
}

QRect geometry(XWindow window) {
    const QString info =
        run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(window)});
    return QRect(field(info, "Absolute upper-left X"), field(info, "Absolute upper-left Y"),
                 field(info, "Width"), field(info, "Height"));
}

} // namespace

XWindow xwindow(const QWidget* window) {
    return window ? static_cast<XWindow>(window->window()->winId()) : 0;
}

XWindow activeWindow() {
    const auto ids = windowIds(xprop(0, "_NET_ACTIVE_WINDOW"));
    return ids.isEmpty() ? 0 : ids.first();
}

XWindow transientFor(XWindow window) {
    const auto ids = windowIds(xprop(window, "WM_TRANSIENT_FOR"));
    return ids.isEmpty() ? 0 : ids.first();
}

QList<XWindow> stackingOrder() {
    return windowIds(xprop(0, "_NET_CLIENT_LIST_STACKING"));
}

QRect frameGeometry(XWindow window) {
    // left, right, top, bottom, as the manager drew them around the client
    const auto extents = fourNumbers(window, "_NET_FRAME_EXTENTS");
    const QRect client = geometry(window);
    if (!extents)
        return client;
    const auto [left, right, top, bottom] = *extents;
    return client.adjusted(-left, -top, right, bottom);
}

QRect clientGeometry(XWindow window) {
    return geometry(window);
}

QRect shapeExtents(XWindow window) {
    const QString info =
        run(QStringLiteral("xwininfo"),
            {QStringLiteral("-shape"), QStringLiteral("-id"), QString::number(window)});
    static const QRegularExpression extents(
        QStringLiteral("Window shape extents:\\s*(\\d+)x(\\d+)([+-]\\d+)([+-]\\d+)"));
    const auto m = extents.match(info);
    if (!m.hasMatch())
        return QRect(QPoint(0, 0), geometry(window).size());
    return QRect(m.captured(3).toInt(), m.captured(4).toInt(), m.captured(1).toInt(),
                 m.captured(2).toInt());
}

QStringList windowState(XWindow window) {
    static const QRegularExpression atom(QStringLiteral("_NET_WM_STATE_[A-Z_]+"));
    return atomsIn(window, "_NET_WM_STATE", atom);
}

QStringList allowedActions(XWindow window) {
    static const QRegularExpression atom(QStringLiteral("_NET_WM_ACTION_[A-Z_]+"));
    return atomsIn(window, "_NET_WM_ALLOWED_ACTIONS", atom);
}

QList<XWindow> windowsNamed(const QString& text) {
    QList<XWindow> named;
    for (XWindow id : windowIds(xprop(0, "_NET_CLIENT_LIST")))
        if (xprop(id, "_NET_WM_NAME").contains(text))
            named << id;
    return named;
}

QRect workArea() {
    const auto area = fourNumbers(0, "_NET_WORKAREA");
    if (!area)
        return {};
    const auto [x, y, width, height] = *area;
    return QRect(x, y, width, height);
}

bool xdotool(const QStringList& args) {
    return QProcess::execute(QStringLiteral("xdotool"), args) == 0;
}

ManagerPaused::ManagerPaused() {
    static const QRegularExpression pid(QStringLiteral("=\\s*(\\d+)"));
    m_pid = pid.match(xprop(0, "_OPENBOX_PID")).captured(1).toLong();
    if (m_pid > 0)
        kill(static_cast<pid_t>(m_pid), SIGSTOP);
}

ManagerPaused::~ManagerPaused() {
    if (m_pid > 0)
        kill(static_cast<pid_t>(m_pid), SIGCONT);
}

bool waitUntilManaged(const QWidget* window, int timeoutMs) {
    const XWindow id = xwindow(window);
    return waitFor(
        [id] {
            return stackingOrder().contains(id) &&
                   xprop(id, "_NET_FRAME_EXTENTS").contains(QLatin1Char('='));
        },
        timeoutMs);
}

bool waitUntilActive(const QWidget* window, int timeoutMs) {
    const XWindow id = xwindow(window);
    return waitUntilManaged(window, timeoutMs) &&
           waitFor([id] { return activeWindow() == id; }, timeoutMs);
}

QRect screenRect(const QWidget* widget) {
    const QRect client = clientGeometry(xwindow(widget));
    return QRect(client.topLeft() + widget->mapTo(widget->window(), QPoint(0, 0)), widget->size());
}

bool moveTo(QPoint point) {
    return xdotool(
        {QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y())});
}

bool clickAt(QPoint point) {
    return moveTo(point) && xdotool({QStringLiteral("click"), QStringLiteral("1")});
}

bool typeAndEnter(const QString& text) {
    return xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")}) &&
           xdotool(
               {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("10"), text}) &&
           xdotool({QStringLiteral("key"), QStringLiteral("Return")});
}

ModalAnswerer::Answer
typeIntoFirstFileDialog(const QString& name, bool& answered,
                        std::function<void(const QPointer<QFileDialog>&)> then) {
    return [name, &answered, then = std::move(then)](QWidget* w) {
        QPointer<QFileDialog> dialog = qobject_cast<QFileDialog*>(w);
        if (!dialog || answered)
            return;
        answered = true;
        ASSERT_TRUE(waitUntilActive(dialog));
        ASSERT_TRUE(typeAndEnter(name));
        if (then)
            then(dialog);
    };
}

} // namespace korimo::test
