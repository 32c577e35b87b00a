// Certificates and SSH keys made for one test by the standard tools, with the fingerprints those
// tools compute (so the program's own fingerprints are checked against an independent answer).
#pragma once

#include <array>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

namespace qle::test {

// The standard output of a shell command; throws when it fails.
inline std::string CommandOutput(const std::string& command)
{
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen((command + " 2>/dev/null").c_str(), "r"), ::pclose);
    if (!pipe)
        throw std::runtime_error("cannot run " + command);
    std::string output;
    std::array<char, 4096> buffer;
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe.get()))
        output.append(buffer.data(), n);
    if (::pclose(pipe.release()) != 0)
        throw std::runtime_error("failed: " + command);
    return output;
}

inline std::string Quoted(const std::string& path)
{
    return "'" + path + "'";
}

// A self-signed certificate for `name`: `both` holds the certificate and its key.
struct TestCertificate
{
    std::string certificate;
    std::string key;
    std::string both;
    std::string fingerprint; // "SHA256:" + unpadded base64 of the SHA-256 of the public key (SPKI)

    TestCertificate(const std::string& folder, const std::string& name)
        : certificate(folder + name + ".crt")
        , key(folder + name + ".key")
        , both(folder + name + ".pem")
    {
        CommandOutput("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj "
                      "/CN=" +
                      name + " -keyout " + Quoted(key) + " -out " + Quoted(certificate));
        CommandOutput("cat " + Quoted(certificate) + " " + Quoted(key) + " > " + Quoted(both));
        std::string base64 = CommandOutput("openssl x509 -in " + Quoted(certificate) +
                                           " -pubkey -noout | openssl pkey -pubin -outform der | openssl dgst "
                                           "-sha256 -binary | openssl base64 -A");
        while (!base64.empty() && (base64.back() == '=' || base64.back() == '\n'))
            base64.pop_back();
        fingerprint = "SHA256:" + base64;
    }
};

// An ed25519 key pair made by ssh-keygen, with the fingerprint `ssh-keygen -l` prints.
struct TestSshKey
{
    std::string path;
    std::string publicKey; // the .pub file's line
    std::string fingerprint;

    TestSshKey(const std::string& folder, const std::string& name, const std::string& passphrase = {})
        : path(folder + name)
    {
        CommandOutput("ssh-keygen -q -t ed25519 -C test -N " + Quoted(passphrase) + " -f " + Quoted(path));
        publicKey = CommandOutput("cat " + Quoted(path + ".pub"));
        const std::string listed = CommandOutput("ssh-keygen -l -f " + Quoted(path + ".pub"));
        const auto start = listed.find("SHA256:");
        fingerprint = listed.substr(start, listed.find(' ', start) - start);
    }
};

} // namespace qle::test
