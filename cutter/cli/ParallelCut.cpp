#include "ParallelCut.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace cli {

namespace {

volatile std::sig_atomic_t g_signal = 0;

void OnSignal(int sig) { g_signal = sig; }

// Installs the stop handlers for the parent's lifetime of the run and puts the old ones back.
class StopSignals {
public:
    StopSignals() {
        g_signal = 0;
        struct sigaction a {};
        a.sa_handler = OnSignal;
        sigemptyset(&a.sa_mask);
        a.sa_flags = 0;  // no restart: a signal ends the wait for the workers at once
        sigaction(SIGINT, &a, &oldInt_);
        sigaction(SIGTERM, &a, &oldTerm_);
    }
    ~StopSignals() {
        sigaction(SIGINT, &oldInt_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
    }

private:
    struct sigaction oldInt_ {}, oldTerm_ {};
};

// A worker's messages to the parent: a kind byte, the payload's length in decimal, ':'
// and the payload. 'P' the file percentage, 'M' a message for the user, 'E' the error
// that ended the worker's job.
void Send(int fd, char kind, const QByteArray& payload) {
    const QByteArray m = kind + QByteArray::number(payload.size()) + ':' + payload;
    const char* p = m.constData();
    std::size_t left = std::size_t(m.size());
    while (left) {
        const ssize_t n = write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) _exit(3);  // the parent is gone
        p += n;
        left -= std::size_t(n);
    }
}

class WorkerHost final : public workflow::JobHost {
public:
    explicit WorkerHost(int fd) : fd_(fd) {}
    void BeginProgress(const QString&) override {}
    void EndProgress() override {}
    void SetFileLabel(const QString&) override {}
    void SetFileProgress(int percent) override {
        if (percent == last_) return;
        last_ = percent;
        Send(fd_, 'P', QByteArray::number(percent));
    }
    void SetTotal(const QString&, int) override {}
    void ProcessEvents() override {}
    bool Cancelled() const override { return false; }
    // The parent has asked before starting the worker; the staging folder starts empty.
    bool AskYesNo(const QString&, const QString&) override { return true; }
    void ShowInformation(const QString&, const QString&) override {}
    void ShowMessage(const QString& text) override { Send(fd_, 'M', text.toUtf8()); }
    void ExploreFolder(const QString&) override {}

private:
    int fd_;
    int last_ = -1;
};

// The child's side: the job on this one row, into the staging folder.
[[noreturn]] void RunWorker(int fd, const QString& source, workflow::SegmentList& rows, int row,
                            const QString& staging, const workflow::JobOptions& options,
                            workflow::JobComponents& components) {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    for (int i = 0; i < rows.rowCount(); ++i) rows.SetChecked(i, i == row);
    workflow::JobOptions o = options;
    o.showSuccess = false;
    o.openDestination = false;
    WorkerHost host(fd);
    int status = 0;
    try {
        workflow::RunCutJob(source, rows, staging, o, components, host);
    } catch (const std::exception& e) {
        Send(fd, 'E', QByteArray(e.what()));
        status = 1;
    } catch (...) {
        Send(fd, 'E', QByteArrayLiteral("unknown error"));
        status = 1;
    }
    // Destructors and exit handlers belong to the parent.
    _exit(status);
}

bool SamePath(const QString& a, const QString& b) {
    const QFileInfo fa(a), fb(b);
    return fa.exists() && fb.exists() && fa.canonicalFilePath() == fb.canonicalFilePath();
}

struct Task {
    enum State { kWaiting, kRunning, kFinished, kSkipped };
    int row = 0;
    QString path, staged;  // the output and where its worker writes it; empty: no output
    State state = kWaiting;
    pid_t pid = -1;
    int fd = -1;
    int percent = 0;
    QByteArray pending;  // bytes of a message not complete yet
    bool failed = false;
    QString error;
};

class ParallelRunner {
public:
    ParallelRunner(const QString& source, workflow::SegmentList& rows, const workflow::JobOptions& options,
                   workflow::JobComponents& components, workflow::JobHost& host, int jobs,
                   std::vector<Task> tasks, QTemporaryDir& staging)
        : source_(source), rows_(rows), options_(options), c_(components), host_(host), jobs_(jobs),
          tasks_(std::move(tasks)), staging_(staging) {}
    ~ParallelRunner() { StopAll(); }

    workflow::CutJobResult Run();

private:
    void Schedule();
    void Start(Task& t);
    void CommitFinished(workflow::CutJobResult& result);
    void Wait();
    void Read(Task& t);
    void Reap(Task& t);
    void Fail(std::size_t index);
    void StopAll();
    [[noreturn]] void Cancel();
    int Overall() const;

    const QString& source_;
    workflow::SegmentList& rows_;
    const workflow::JobOptions& options_;
    workflow::JobComponents& c_;
    workflow::JobHost& host_;
    const int jobs_;
    std::vector<Task> tasks_;
    QTemporaryDir& staging_;
    std::size_t next_ = 0, committed_ = 0;
    int running_ = 0;
    std::optional<std::size_t> fatal_;  // the first row whose error ends the job
};

workflow::CutJobResult ParallelRunner::Run() {
    workflow::CutJobResult result;
    result.checkedRows = int(tasks_.size());
    for (;;) {
        if (g_signal) Cancel();
        Schedule();
        CommitFinished(result);
        if (g_signal) Cancel();
        if (fatal_ && committed_ == *fatal_) throw std::runtime_error(tasks_[*fatal_].error.toStdString());
        if (committed_ == tasks_.size()) return result;
        Wait();
    }
}

void ParallelRunner::Schedule() {
    while (!fatal_ && running_ < jobs_ && next_ < tasks_.size()) {
        Task& t = tasks_[next_];
        if (!t.path.isEmpty()) {
            // A row writing where an earlier one writes waits for it, as in the sequential job.
            for (std::size_t i = committed_; i < next_; ++i)
                if (tasks_[i].path == t.path) return;
            // The questions the job asks at the row's turn are asked here, before the worker.
            if (SamePath(t.path, source_)) {
                host_.ShowMessage(
                    QStringLiteral("The output file %1 is the source file itself; this segment is skipped.").arg(t.path));
                t.state = Task::kSkipped;
            } else if (options_.promptOverwrite && QFileInfo::exists(t.path) &&
                       !host_.AskYesNo(QStringLiteral("Confirm Overwrite"),
                                       t.path + QStringLiteral(" already exists. Do you want to replace it?"))) {
                t.state = Task::kSkipped;
            }
        }
        if (t.state == Task::kWaiting) Start(t);
        ++next_;
    }
}

void ParallelRunner::Start(Task& t) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("Unable to start a worker process");
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        throw std::runtime_error("Unable to start a worker process");
    }
    if (pid == 0) {
        close(fds[0]);
        for (const Task& other : tasks_)
            if (other.fd >= 0) close(other.fd);
        RunWorker(fds[1], source_, rows_, t.row, staging_.path(), options_, c_);
    }
    close(fds[1]);
    t.pid = pid;
    t.fd = fds[0];
    t.state = Task::kRunning;
    ++running_;
}

void ParallelRunner::CommitFinished(workflow::CutJobResult& result) {
    while (committed_ < tasks_.size() && (!fatal_ || committed_ < *fatal_)) {
        Task& t = tasks_[committed_];
        if (t.state != Task::kFinished && t.state != Task::kSkipped) return;
        if (t.state == Task::kFinished && !t.failed && !t.staged.isEmpty() && QFileInfo::exists(t.staged)) {
            // The same folder: the finished file takes the target's name in one step.
            if (std::rename(QFile::encodeName(t.staged).constData(), QFile::encodeName(t.path).constData()) != 0)
                throw std::runtime_error(QStringLiteral("Unable to write %1: %2")
                                             .arg(t.path, QString::fromLocal8Bit(std::strerror(errno)))
                                             .toStdString());
            ++result.filesWritten;
        }
        ++committed_;
        ++result.rowsDone;
        host_.SetTotal(QStringLiteral(" %1/%2").arg(result.rowsDone).arg(result.checkedRows),
                       int(std::trunc(double(result.rowsDone) / result.checkedRows * 100)));
    }
}

void ParallelRunner::Wait() {
    std::vector<pollfd> fds;
    std::vector<Task*> owners;
    for (Task& t : tasks_)
        if (t.state == Task::kRunning) {
            fds.push_back({t.fd, POLLIN, 0});
            owners.push_back(&t);
        }
    if (fds.empty()) return;
    // A bounded wait, so a stop signal that slips in before poll is still seen soon.
    if (poll(fds.data(), fds.size(), 200) <= 0) return;
    for (std::size_t i = 0; i < fds.size(); ++i)  // an error of one may have stopped others
        if (fds[i].revents && owners[i]->state == Task::kRunning) Read(*owners[i]);
}

void ParallelRunner::Read(Task& t) {
    char buf[4096];
    const ssize_t n = read(t.fd, buf, sizeof buf);
    if (n < 0) {
        if (errno == EINTR || errno == EAGAIN) return;
        Reap(t);
        return;
    }
    if (n == 0) {
        Reap(t);
        return;
    }
    t.pending.append(buf, n);
    for (;;) {
        const qsizetype colon = t.pending.indexOf(':');
        if (colon < 1) return;
        const qsizetype length = t.pending.mid(1, colon - 1).toLongLong();
        if (t.pending.size() < colon + 1 + length) return;
        const char kind = t.pending[0];
        const QByteArray payload = t.pending.mid(colon + 1, length);
        t.pending.remove(0, colon + 1 + length);
        if (kind == 'P') {
            t.percent = payload.toInt();
            host_.SetFileLabel(t.path);
            host_.SetFileProgress(Overall());
        } else if (kind == 'M') {
            host_.ShowMessage(QString::fromUtf8(payload));
        } else if (kind == 'E') {
            t.error = QString::fromUtf8(payload);
        }
    }
}

void ParallelRunner::Reap(Task& t) {
    close(t.fd);
    t.fd = -1;
    int status = 0;
    while (waitpid(t.pid, &status, 0) < 0 && errno == EINTR) {
    }
    t.pid = -1;
    t.state = Task::kFinished;
    t.percent = 100;
    --running_;
    // Ctrl-C at a terminal reaches the workers too: that is the user's stop, not an error.
    if (WIFSIGNALED(status) && (WTERMSIG(status) == SIGINT || WTERMSIG(status) == SIGTERM)) {
        g_signal = WTERMSIG(status);
        t.failed = true;
        return;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        t.failed = true;
        if (t.error.isEmpty()) t.error = QStringLiteral("The worker cutting %1 ended abnormally.").arg(t.path);
        Fail(std::size_t(&t - tasks_.data()));
    }
}

// An error ends the job at its row: rows after it are not written, as in the sequential job.
void ParallelRunner::Fail(std::size_t index) {
    if (fatal_ && *fatal_ <= index) return;
    fatal_ = index;
    for (std::size_t i = index + 1; i < tasks_.size(); ++i) {
        Task& t = tasks_[i];
        if (t.state != Task::kRunning) continue;
        kill(t.pid, SIGKILL);
        close(t.fd);
        t.fd = -1;
        while (waitpid(t.pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        t.pid = -1;
        t.state = Task::kFinished;
        --running_;
    }
}

void ParallelRunner::StopAll() {
    for (Task& t : tasks_) {
        if (t.state != Task::kRunning) continue;
        kill(t.pid, SIGKILL);
        close(t.fd);
        while (waitpid(t.pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        t.state = Task::kFinished;
    }
    running_ = 0;
}

// Ctrl-C: the workers only ever wrote into the staging folder, so removing it leaves no
// partial output; then the process ends by the signal, as it would without workers.
void ParallelRunner::Cancel() {
    const int sig = g_signal;
    StopAll();
    staging_.remove();
    host_.EndProgress();
    std::fflush(nullptr);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
    _exit(128 + sig);
}

int ParallelRunner::Overall() const {
    int sum = 0;
    for (const Task& t : tasks_) sum += t.state == Task::kWaiting ? 0 : t.state == Task::kRunning ? t.percent : 100;
    return tasks_.empty() ? 100 : sum / int(tasks_.size());
}

}  // namespace

int DefaultJobs() {
    const long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n > 0 ? int(n) : 1;
}

workflow::CutJobResult RunParallelCut(const QString& sourcePath, workflow::SegmentList& rows,
                                      const QString& outDir, const workflow::JobOptions& options,
                                      workflow::JobComponents& components, workflow::JobHost& host, int jobs) {
    std::vector<Task> tasks;
    for (int row = 0; row < rows.rowCount(); ++row)
        if (rows.Checked(row)) tasks.push_back(Task{row});
    if (jobs < 2 || tasks.size() < 2 || workflow::FormatFromFileName(sourcePath) == workflow::fcUnknown)
        return workflow::RunCutJob(sourcePath, rows, outDir, options, components, host);

    if (outDir.isEmpty() || !QDir().mkpath(outDir)) throw std::runtime_error("Unable to create directory");
    QTemporaryDir staging(QDir(outDir).filePath(QStringLiteral(".tarvelcut-jobs-XXXXXX")));
    if (!staging.isValid()) throw std::runtime_error("Unable to create directory");
    for (Task& t : tasks) {
        const workflow::FormatCode out = rows.ReadFormat(t.row);
        if (out == workflow::fcUnknown) continue;
        const QString name = rows.Text(t.row, workflow::colName);
        t.path = workflow::OutputPath(outDir, name, out);
        t.staged = workflow::OutputPath(staging.path(), name, out);
    }
    if (components.stopPlayback) components.stopPlayback();

    StopSignals stopSignals;
    ParallelRunner runner(sourcePath, rows, options, components, host, jobs, std::move(tasks), staging);
    host.BeginProgress(QStringLiteral("Task progress"));
    try {
        workflow::CutJobResult result = runner.Run();
        host.EndProgress();
        return result;
    } catch (...) {
        host.EndProgress();
        throw;
    }
}

}  // namespace cli
