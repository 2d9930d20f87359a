#include "terminal/terminal.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004 // older SDKs lack the name
#endif
#else
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_WIN

// What the run changed on the console. The console outlives the program and serves the shell
// that started it, so the original settings are put back at the end.
struct ConsoleSettings
{
    UINT outputCodePage = 0;
    HANDLE modeHandle = nullptr;
    DWORD mode = 0;
};

ConsoleSettings &changedConsole()
{
    static ConsoleSettings original;
    return original;
}

void restoreConsole()
{
    const ConsoleSettings &original = changedConsole();
    if (original.outputCodePage != 0)
        SetConsoleOutputCP(original.outputCodePage);
    if (original.modeHandle != nullptr)
        SetConsoleMode(original.modeHandle, original.mode);
}

void restoreConsoleAtExit()
{
    static const bool registered = std::atexit(restoreConsole) == 0;
    Q_UNUSED(registered)
}

bool isConsole(DWORD stream)
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(stream), &mode) != 0;
}

Terminal detectStderrTerminal()
{
    // _isatty holds for every character device, NUL included: only a console shows the bar.
    const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (_isatty(_fileno(stderr)) == 0 || GetConsoleMode(handle, &mode) == 0)
        return {};
    if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0)
        return {true, true};
    // Consoles since Windows 10 take escapes once asked to; older ones refuse and print them.
    if (SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) == 0)
        return {true, false};
    changedConsole().modeHandle = handle;
    changedConsole().mode = mode;
    restoreConsoleAtExit();
    return {true, true};
}

#else

Terminal detectStderrTerminal()
{
    if (isatty(STDERR_FILENO) == 0)
        return {};
    // A dumb terminal, such as an editor's shell buffer, prints escapes as they are.
    return {true, qgetenv("TERM") != "dumb"};
}

#endif

// Qt writes its messages (the importers' debug lines among them) in the local 8-bit encoding,
// on Windows a code page that lacks most of the world's file names.
void writeMessageAsUtf8(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    writeToStderr(qFormatLogMessage(type, context, message).toUtf8() + '\n');
}

} // namespace

void setUpStandardStreams()
{
    qInstallMessageHandler(writeMessageAsUtf8);
    // Both streams get buffers of their own: without one, a stream to a character device (a
    // console, NUL) is unbuffered, and Windows' C run-time then writes it a byte at a time (a
    // report printed to NUL took seconds for a few hundred files). The report is flushed after
    // each file, and every write to stderr at once; line buffering keeps stderr's lines whole
    // where the C library's own messages reach it.
    std::setvbuf(stdout, nullptr, _IOFBF, size_t(1) << 16);
    std::setvbuf(stderr, nullptr, _IOLBF, size_t(1) << 12);
#ifdef Q_OS_WIN
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    const UINT codePage = GetConsoleOutputCP();
    if ((isConsole(STD_OUTPUT_HANDLE) || isConsole(STD_ERROR_HANDLE)) && codePage != CP_UTF8 &&
        SetConsoleOutputCP(CP_UTF8) != 0) {
        changedConsole().outputCodePage = codePage;
        restoreConsoleAtExit();
    }
#endif
}

void printDiagnostic(const QString &text)
{
    // UTF-8, as everything the tool writes: a Windows code page cannot hold every file name.
    writeToStderr(QByteArrayLiteral("tessel-import: ") + text.toUtf8() + '\n');
}

void writeToStderr(const QByteArray &text)
{
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    std::fflush(stderr);
}

Terminal stderrTerminal()
{
    static const Terminal terminal = detectStderrTerminal();
    return terminal;
}

QByteArray clearLineText(const Terminal &terminal, int width)
{
    if (terminal.takesEscapes)
        return QByteArrayLiteral("\r\033[K");
    return '\r' + QByteArray(width, ' ') + '\r';
}
