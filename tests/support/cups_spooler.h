#pragma once
// A private cupsd for tests: its own config, spool and socket in a temp folder,
// with one raw queue "capture" whose backend copies each job's document to outputDir().

#include "process.h"

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace testsupport {

class CupsSpooler {
public:
    static constexpr const char* kQueue = "capture";

    CupsSpooler();  // starts cupsd and sets up the default "capture" queue; throws on failure
    ~CupsSpooler();
    CupsSpooler(const CupsSpooler&) = delete;
    CupsSpooler& operator=(const CupsSpooler&) = delete;

    const std::string& tempDir() const { return dir_; }
    const std::string& outputDir() const { return outDir_; }
    const std::string& socketPath() const { return socket_; }
    Env environment() const { return {{"CUPS_SERVER", socket_}}; }  // for the program under test
    pid_t pid() const;

    // Captured documents (job-<id>.pdf), ordered by job id.
    std::vector<std::string> capturedJobs() const;
    // Polls until at least n documents exist or the timeout passes; returns what exists.
    std::vector<std::string> waitForJobs(size_t n, std::chrono::milliseconds timeout) const;

    void addQueue(const std::string& name);  // another capture queue into outputDir()
    void setDefault(const std::string& name);
    void clearDefault();  // leaves the server with no default destination
    void disableQueue(const std::string& name = kQueue);  // jobs are accepted but held
    void enableQueue(const std::string& name = kQueue);
    void rejectJobs(const std::string& name = kQueue);  // submissions fail
    void acceptJobs(const std::string& name = kQueue);

    std::string errorLog() const;  // cupsd's log, for failure messages
    void stop();                   // idempotent; bounded

private:
    void admin(std::vector<std::string> argv);
    std::string dir_, outDir_, socket_;
    std::optional<BackgroundProcess> cupsd_;
};

}  // namespace testsupport
