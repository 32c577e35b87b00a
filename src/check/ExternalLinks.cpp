#include "check/ExternalLinks.h"

#include "app/TextFiles.h"

#include <curl/curl.h>

#include <atomic>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

namespace qle::check {

namespace {

// How many links are asked at once: enough to hide the wait, few enough for any server.
constexpr unsigned kAtOnce = 4;

struct CurlFree
{
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

std::size_t Discard(char*, std::size_t size, std::size_t count, void*)
{
    return size * count;
}

// The answer to one request: the status, or what kept it from being asked.
long Ask(const std::string& url, bool head, int timeoutSeconds, std::string& problem)
{
    std::unique_ptr<CURL, CurlFree> curl(curl_easy_init());
    if (!curl) {
        problem = "cannot be asked (no connection handle)";
        return 0;
    }
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_NOBODY, head ? 1L : 0L);
    curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl.get(), CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl.get(), CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, static_cast<long>(timeoutSeconds));
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_USERAGENT, "Quillon Engine link check");
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, Discard);
    curl_easy_setopt(curl.get(), CURLOPT_ERRORBUFFER, error);
    const CURLcode result = curl_easy_perform(curl.get());
    if (result != CURLE_OK) {
        problem = std::string("cannot be reached: ") + (error[0] ? error : curl_easy_strerror(result));
        return 0;
    }
    long status = 0;
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
    return status;
}

std::string Answer(const std::string& url, int timeoutSeconds)
{
    std::string problem;
    long status = Ask(url, true, timeoutSeconds, problem);
    // Some servers refuse or mishandle HEAD; a GET is what a visitor's browser sends.
    if (status >= 400 && status != 404 && status != 410)
        status = Ask(url, false, timeoutSeconds, problem = {});
    if (status == 0)
        return problem;
    if (status >= 200 && status < 400)
        return {};
    return "the server answers " + std::to_string(status);
}

} // namespace

std::map<std::string, std::string> CheckExternalLinks(const std::vector<std::string>& urls,
                                                      const std::string& cacheFile, int timeoutSeconds, std::time_t now)
{
    // Remembered answers: "time<TAB>url<TAB>problem" per line.
    std::map<std::string, std::pair<std::time_t, std::string>> known;
    {
        std::ifstream in(cacheFile);
        std::string line;
        while (std::getline(in, line)) {
            const auto tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
            if (tab1 == std::string::npos || tab2 == std::string::npos)
                continue;
            const std::time_t when = std::atoll(line.substr(0, tab1).c_str());
            if (now - when < kLinkAnswerLifetime && when <= now)
                known[line.substr(tab1 + 1, tab2 - tab1 - 1)] = {when, line.substr(tab2 + 1)};
        }
    }
    std::vector<std::string> ask;
    for (const auto& url : urls)
        if (!known.count(url) && url.find_first_of("\t\n\r") == std::string::npos)
            ask.push_back(url);

    static std::once_flag curlReady;
    std::call_once(curlReady, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    std::mutex mutex;
    std::atomic<std::size_t> next = 0;
    auto worker = [&] {
        for (std::size_t i; (i = next++) < ask.size();) {
            std::string answer = Answer(ask[i], timeoutSeconds);
            std::lock_guard lock(mutex);
            known[ask[i]] = {now, std::move(answer)};
        }
    };
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < kAtOnce && i < ask.size(); ++i)
        threads.emplace_back(worker);
    for (auto& thread : threads)
        thread.join();

    std::string text;
    for (const auto& [url, answer] : known)
        text += std::to_string(answer.first) + "\t" + url + "\t" + answer.second + "\n";
    (void)app::WriteTextFile(cacheFile, text);

    std::map<std::string, std::string> answers;
    for (const auto& url : urls)
        if (auto it = known.find(url); it != known.end())
            answers[url] = it->second.second;
    return answers;
}

} // namespace qle::check
