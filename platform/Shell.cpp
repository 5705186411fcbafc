#include "platform/Shell.h"

#include "platform/ShellWords.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// xdg-mime answers in well under a second; a hung one must not hang the caller.
constexpr int QueryTimeoutMs = 5000;

struct TSpawned {
    int Error = 0;
    TProcessHandle Process;
};

TShellStartResult failure(quint32 errorValue)
{
    TShellStartResult result;
    result.ErrorValue = errorValue;
    return result;
}

bool isOpenVerb(const QString& verb)
{
    return verb.isEmpty() || verb.compare(QLatin1String("open"), Qt::CaseInsensitive) == 0;
}

bool isAddress(const QString& file)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    return scheme.match(file).hasMatch() || file.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive);
}

// The error value for a path that could not be looked at.
quint32 pathErrorValue(int error, const QString& path)
{
    switch (error) {
    case ENOENT:
        return QFileInfo(QFileInfo(path).absolutePath()).isDir() ? seFileNotFound : sePathNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return sePathNotFound;
    case EACCES:
    case EPERM:
        return seAccessDenied;
    default:
        return seOutOfResources;
    }
}

// The error value for a start that the system refused; `program` existed a moment before.
quint32 spawnErrorValue(int error, const QString& program, const QString& directory)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        if (!QFileInfo::exists(program))
            return pathErrorValue(ENOENT, program);
        if (!directory.isEmpty() && !QFileInfo(directory).isDir())
            return sePathNotFound;
        return seBadExecutable; // the interpreter that the script names is missing
    case ENOEXEC:
    case ELIBBAD:
        return seBadExecutable;
    case EACCES:
    case EPERM:
    case ETXTBSY:
        return seAccessDenied;
    default:
        return seOutOfResources;
    }
}

int prepareSpawn(posix_spawn_file_actions_t& actions, posix_spawnattr_t& attributes, const QByteArray& directory,
                 int outputDescriptor)
{
    // The child starts with no blocked signals and SIGPIPE at its default, whatever our threads set.
    sigset_t noSignals;
    sigemptyset(&noSignals);
    sigset_t defaultSignals;
    sigemptyset(&defaultSignals);
    sigaddset(&defaultSignals, SIGPIPE);
    int error = posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    if (error == 0)
        error = posix_spawnattr_setsigmask(&attributes, &noSignals);
    if (error == 0)
        error = posix_spawnattr_setsigdefault(&attributes, &defaultSignals);
    if (error == 0 && outputDescriptor >= 0)
        error = posix_spawn_file_actions_adddup2(&actions, outputDescriptor, STDOUT_FILENO);
    if (error == 0 && !directory.isEmpty())
        error = posix_spawn_file_actions_addchdir_np(&actions, directory.constData());
    // Only the standard descriptors are inherited, also those that someone forgot to mark close-on-exec.
    if (error == 0)
        error = posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    return error;
}

// Starts `program` with `arguments` (the first is its own name) in `directory` (empty: ours),
// with `outputDescriptor` as its standard output when it is set. posix_spawn reports a failed
// exec itself (missing interpreter, unknown format), so a start that returns success is running.
TSpawned spawnProcess(const QByteArray& program, const QList<QByteArray>& arguments, const QByteArray& directory,
                      int outputDescriptor = -1)
{
    std::vector<char*> argv;
    for (const QByteArray& argument : arguments)
        argv.push_back(const_cast<char*>(argument.constData()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (const int error = posix_spawn_file_actions_init(&actions); error != 0)
        return {error, {}};
    if (const int error = posix_spawnattr_init(&attributes); error != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return {error, {}};
    }
    pid_t processId = 0;
    int error = prepareSpawn(actions, attributes, directory, outputDescriptor);
    if (error == 0)
        error = posix_spawn(&processId, program.constData(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return {error, {}};

    // The child is ours and unreaped, so its pid cannot have been reused yet. (The system call
    // itself: Debian 12's <sys/pidfd.h> declares its wrapper without C linkage.)
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, processId, 0));
    if (pidfd < 0) {
        // Nobody could wait for it or reap it: do not leave it running unseen.
        const int openError = errno;
        ::kill(processId, SIGKILL);
        while (::waitpid(processId, nullptr, 0) < 0 && errno == EINTR) {
        }
        return {openError, {}};
    }
    return {0, TProcessHandle(processId, pidfd)};
}

TShellStartResult startProgram(const QString& program, const QStringList& parameters, const QString& directory)
{
    QList<QByteArray> arguments{QFile::encodeName(program)};
    for (const QString& parameter : parameters)
        arguments.append(parameter.toLocal8Bit());
    TSpawned spawned = spawnProcess(QFile::encodeName(program), arguments, QFile::encodeName(directory));
    if (spawned.Error != 0)
        return failure(spawnErrorValue(spawned.Error, program, directory));
    TShellStartResult result;
    result.Success = true;
    result.Process = std::move(spawned.Process);
    return result;
}

// `target` is an address or an absolute path, so the opener never mistakes it for an option.
TShellStartResult startOpener(const QString& target, const QString& directory)
{
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        return failure(seNoAssociation);
    return startProgram(opener, {target}, directory);
}

QByteArray readUntilEnd(int descriptor, const QDeadlineTimer& deadline)
{
    QByteArray output;
    char block[1024];
    for (;;) {
        pollfd entry{descriptor, POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return {};
        const ssize_t count = ::read(descriptor, block, sizeof block);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return {};
        if (count == 0)
            return output;
        output.append(block, count);
    }
}

// The first word of xdg-mime's answer to `arguments`, or "" when it gives none.
QString queryXdgMime(const QStringList& arguments)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    int pipeDescriptors[2];
    if (program.isEmpty() || ::pipe2(pipeDescriptors, O_CLOEXEC) != 0)
        return {};
    QList<QByteArray> argv{QFile::encodeName(program)};
    for (const QString& argument : arguments)
        argv.append(argument.toLocal8Bit());
    TSpawned spawned = spawnProcess(QFile::encodeName(program), argv, {}, pipeDescriptors[1]);
    ::close(pipeDescriptors[1]);
    const QDeadlineTimer deadline(QueryTimeoutMs);
    const QByteArray output = readUntilEnd(pipeDescriptors[0], deadline);
    ::close(pipeDescriptors[0]);
    if (spawned.Error != 0
        || spawned.Process.waitForExit(static_cast<int>(deadline.remainingTime())) != TProcessHandle::TWaitResult::Exited
        || spawned.Process.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(output).section(QLatin1Char('\n'), 0, 0).section(QLatin1Char(';'), 0, 0).trimmed();
}

bool hasAssociatedProgram(const QString& path)
{
    const QString type = queryXdgMime({QStringLiteral("query"), QStringLiteral("filetype"), path});
    return !type.isEmpty() && !queryXdgMime({QStringLiteral("query"), QStringLiteral("default"), type}).isEmpty();
}

} // namespace

TShellStartResult ShellStart(const TShellStartRequest& request)
{
    if (!isOpenVerb(request.Verb))
        return failure(seNoAssociation);
    if (!request.Directory.isEmpty() && !QFileInfo(request.Directory).isDir())
        return failure(sePathNotFound);
    if (isAddress(request.File))
        return startOpener(request.File, request.Directory);
    if (request.File.isEmpty())
        return failure(seFileNotFound);

    const QString path = QFileInfo(request.File).absoluteFilePath();
    const QByteArray encodedPath = QFile::encodeName(path);
    struct stat status {};
    if (::stat(encodedPath.constData(), &status) != 0)
        return failure(pathErrorValue(errno, path));
    if (S_ISREG(status.st_mode) && ::faccessat(AT_FDCWD, encodedPath.constData(), X_OK, AT_EACCESS) == 0)
        return startProgram(path, SplitShellWords(request.Parameters), request.Directory);
    if (!hasAssociatedProgram(path))
        return failure(seNoAssociation);
    return startOpener(path, request.Directory);
}

void ShellOpen(const QString& path)
{
    // The opener's handle is dropped at once; the reaper collects it when it ends.
    startOpener(isAddress(path) ? path : QFileInfo(path).absoluteFilePath(), {});
}
