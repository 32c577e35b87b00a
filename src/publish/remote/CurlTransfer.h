// The one owner of libcurl's handles for a connection to the web space: the multi handle, which
// keeps the connection open between calls, and the easy handle each call sets up. It runs a call
// to its end, noticing a stop request, and keeps the server's reply lines. Used by remote/*.cpp,
// which set the easy handle's options; libcurl's own header stays out of this one.
#pragma once

#include "store/Status.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace qle::publish {

// libcurl's one-time start, before the first handle.
Status StartCurl();

class CurlTransfer
{
public:
    static constexpr std::size_t kMostBodyBytes = 64u << 20;

    // How long a wait between steps may last: FTP waits on its sockets; SFTP polls briefly because
    // libssh2 may hold an answer it already read while the socket stays quiet.
    enum class Waits { OnSockets, Brief };

    CurlTransfer();
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    // Makes the handles. REQUIRES: called once, before anything else.
    Status start(Waits waits);

    // The easy handle (libcurl's CURL*) to set a call's options on.
    void* easy() const;

    // Runs what is set up on the easy handle to its end. Empty on success, else why it failed.
    // `stopped` is set when `stop` ended it.
    std::string run(const std::atomic<bool>* stop, bool& stopped);

    // libcurl's result of the last run (a CURLcode).
    int resultCode() const;

    // The reply lines of the last run, and its last final reply ("226 Transfer complete.") or empty.
    const std::vector<std::string>& exchange() const { return m_exchange; }
    std::string lastReply() const;

    // While watching, the commands sent are noted (never the password's) with the final reply each
    // got, and so are libcurl's own notes. Off unless needed: it costs a call per block sent.
    void setWatching(bool watching);
    // The final reply the first `command` sent in the last run got ("MKD /a" -> "257 ..."); empty
    // when it was not sent or got none.
    std::string replyTo(const std::string& command) const;
    // libcurl's notes during the last run ("SSH public key authentication failed: ...").
    const std::vector<std::string>& notes() const { return m_notes; }

    // The reply lines not taken yet (those of runs made while recording).
    std::vector<std::string> takeUnread();
    void setRecording(bool recording) { m_recording = recording; }

    // What the last run received (a download or a listing), and whether it passed the limit
    // (kMostBodyBytes unless set: fetches are meant for records and listings, not for pages).
    std::string& body() { return m_body; }
    bool bodyTooLong() const { return m_bodyTooLong; }
    void setBodyLimit(std::size_t limit) { m_bodyLimit = limit; }

    // Connections opened so far: FTP control connections (counted by their greetings) or SSH sessions.
    long connectionsMade() const { return m_connections; }

    // True once after a run in which the server accepted AUTH TLS: the next TLS handshake is the
    // control connection's.
    bool takeTlsAccepted();

private:
    struct Handles;
    const std::atomic<bool>* m_stop = nullptr; // the stop flag of the run under way
    // The stop flag of the last run; once it is set, no more waiting on this server. It must
    // outlive the transfer, as the flag of a run does.
    const std::atomic<bool>* m_stopFlag = nullptr;
    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t onWrite(char* data, std::size_t size, std::size_t count, void* self);
    static int onProgress(void* self, long long, long long, long long, long long);
    friend struct DebugHook;
    void wait();

    std::unique_ptr<Handles> m_handles;
    Waits m_waits = Waits::OnSockets;
    std::string m_pending;
    std::vector<std::string> m_exchange;
    bool m_watching = false;
    std::vector<std::pair<std::string, std::string>> m_sent; // command, its final reply
    std::vector<std::string> m_notes;
    std::vector<std::string> m_unread;
    bool m_recording = true;
    std::string m_body;
    bool m_bodyTooLong = false;
    std::size_t m_bodyLimit = kMostBodyBytes;
    long m_connections = 0;
    bool m_tlsAccepted = false;
    int m_result = 0;
};

} // namespace qle::publish
