// Carries out the publisher's batch file: `cd`, the upload line, `echo off`, `echo`, `pause`,
// `exit`. Nothing else is run, and no shell is involved. Shared by the terminal console, the
// command line and (in a process of its own) the program's console window.
#pragma once

#include "store/Status.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qle::publish {

struct BatchCommand
{
    enum class Kind {
        Blank,
        Cd,  // argument: the folder (the rest of the line)
        Ftp, // arguments: script path, server; trusted key, key file and branch when given
        EchoOff,
        EchoOn,
        Echo, // argument: the text
        Pause,
        Exit,
        Unknown,
    };
    Kind kind = Kind::Blank;
    std::string argument;
    std::string server;
    std::string trustedKey {}; // -k:FINGERPRINT
    std::string keyFile {};    // -i:KEYFILE
    std::string branch {};     // -b:BRANCH
};

// One batch line. The upload line is "ftp -s:SCRIPT [-k:FINGERPRINT] [-i:KEYFILE] [-b:BRANCH] SERVER": the
// server is the last word (a server name has no blanks), so the script path may hold blanks;
// quotes around it and around the key file are dropped.
BatchCommand ParseBatchLine(std::string_view line);

struct BatchCallbacks
{
    std::function<void(const std::string& line)> output; // every line the console shows, as it comes
    std::function<void()> pause;                         // "pause": prompt and wait for a key (may be empty)
    // The upload client's process id while it runs, then 0 (may be empty): a console can stop it.
    std::function<void(int pid)> clientRunning;
};

struct BatchOptions
{
    std::string ftpProgram;     // the upload client run for the ftp line
    long ftpTimeoutSeconds = 0; // passed on to the client when not 0
    // A password or key passphrase the script does not hold, handed to the client through an
    // inherited file descriptor, never its command line or environment.
    std::string secret {};
    // Options passed on to the client before the script ("-a", "-c:2", ...).
    std::vector<std::string> ftpArguments {};
};

// The upload client beside the running program.
std::string DefaultFtpProgram();

// Carries out the batch file and returns the exit status of the last upload run (0 when none
// ran). Lines are echoed after a prompt until "echo off". The client's output is streamed line by
// line as it arrives. Fails when the batch file cannot be read; a client that cannot be started
// is reported on the output and gives status 127.
Result<int> RunBatchFile(const std::string& batchPath, const BatchOptions& options, const BatchCallbacks& callbacks);

// The descriptor on which a program started with a secret reads it ("-p:3" on its command line).
inline constexpr int kSecretDescriptor = 3;

// Runs a program in `folder` with its standard output and error joined and passed on line by line;
// returns its exit status (128 + signal when killed, 127 when it cannot be started). A non-empty
// `secret` can be read by the program, once, from descriptor kSecretDescriptor. `running` (when
// set) is told the program's process id once it runs and 0 before it is waited for.
int RunStreaming(const std::vector<std::string>& argv, const std::string& folder,
                 const std::function<void(const std::string&)>& output, const std::string& secret = {},
                 const std::function<void(int pid)>& running = {});

} // namespace qle::publish
