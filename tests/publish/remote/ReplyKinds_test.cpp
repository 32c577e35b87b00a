// How each protocol's answers become kinds: what the sync retries, replaces or gives up on.
#include "publish/remote/ReplyKinds.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

namespace qle::publish {
namespace {

using Kind = RemoteErrorKind;

TEST(ReplyKinds, FtpRepliesByCodeAndWhereTheCodeSaysTooLittleByTheirWords)
{
    const struct
    {
        FtpCommand command;
        const char* reply;
        int curlCode;
        Kind kind;
    } rows[] = {
        {FtpCommand::Transfer, "421 Too many connections from the same IP address.", CURLE_OK, Kind::Transient},
        {FtpCommand::Transfer, "426 Connection closed; transfer aborted.", CURLE_UPLOAD_FAILED, Kind::Transient},
        {FtpCommand::Transfer, "450 File busy.", CURLE_UPLOAD_FAILED, Kind::Transient},
        {FtpCommand::Transfer, "452 Insufficient storage space.", CURLE_UPLOAD_FAILED, Kind::Refused},
        {FtpCommand::Transfer, "552 Quota exceeded.", CURLE_UPLOAD_FAILED, Kind::Refused},
        {FtpCommand::Transfer, "553 Could not create file.", CURLE_UPLOAD_FAILED, Kind::Refused},
        {FtpCommand::Transfer, "550 /x is not retrievable.", CURLE_REMOTE_FILE_NOT_FOUND, Kind::NotFound},
        {FtpCommand::Transfer, "550 Permission denied.", CURLE_UPLOAD_FAILED, Kind::Refused},
        {FtpCommand::MakeFolder, "550 File exists.", CURLE_OK, Kind::AlreadyExists},
        {FtpCommand::MakeFolder, "550 No such file or directory.", CURLE_OK, Kind::NotFound},
        {FtpCommand::RenameTo, "553 Cannot rename: the file already exists.", CURLE_OK, Kind::AlreadyExists},
        {FtpCommand::RenameTo, "550 Rename failed.", CURLE_OK, Kind::Refused},
        {FtpCommand::RenameTo, "550 File does not exist.", CURLE_OK, Kind::NotFound},
        {FtpCommand::RenameFrom, "550 Not enough privileges.", CURLE_OK, Kind::Refused},
        {FtpCommand::RenameFrom, "502 Command not implemented.", CURLE_OK, Kind::Refused},
        {FtpCommand::Delete, "550 Delete operation failed.", CURLE_OK, Kind::Refused},
        {FtpCommand::Delete, "550 Can't find the file.", CURLE_OK, Kind::NotFound},
        {FtpCommand::Enter, "550 Failed to change directory.", CURLE_OK, Kind::NotFound},
        {FtpCommand::Enter, "550 Permission denied.", CURLE_OK, Kind::Refused},
        {FtpCommand::Transfer, "530 Not logged in.", CURLE_OK, Kind::Refused},
        // No refusal to go by: libcurl's result decides.
        {FtpCommand::Transfer, "", CURLE_OPERATION_TIMEDOUT, Kind::Transient},
        {FtpCommand::Transfer, "150 Opening data connection.", CURLE_RECV_ERROR, Kind::Transient},
        {FtpCommand::Transfer, "", CURLE_READ_ERROR, Kind::Refused},
        {FtpCommand::Transfer, "", CURLE_ABORTED_BY_CALLBACK, Kind::Stopped},
    };
    for (const auto& row : rows)
        EXPECT_EQ(FtpFailureKind(row.command, row.reply, row.curlCode), row.kind) << row.reply << " / " << row.curlCode;
    EXPECT_EQ(FtpReplyReason("421 Too many connections"), "the server refused more connections");
}

TEST(ReplyKinds, SftpStatusTexts)
{
    const std::pair<const char*, Kind> rows[] = {
        {"Quote command returned error (rm command failed: No such file or directory)", Kind::NotFound},
        {"Quote command returned error (rename command failed: File already exists)", Kind::AlreadyExists},
        {"Quote command returned error (rename command failed: Operation failed)", Kind::Refused},
        {"Quote command returned error (mkdir command failed: Permission denied)", Kind::Refused},
        {"Upload failed (User quota exceeded)", Kind::Refused},
        {"Error in the SSH layer (Connection to SFTP server lost)", Kind::Transient},
    };
    for (const auto& [error, kind] : rows)
        EXPECT_EQ(SftpFailureKind(error, CURLE_QUOTE_ERROR), kind) << error;
    EXPECT_EQ(SftpFailureKind("Failure establishing ssh session", CURLE_SSH), Kind::Transient);
    // Only the plain failure may mean "the name is taken" (version 3 says no more); a denial never.
    EXPECT_TRUE(SftpSaysNoMore("rename command failed: Operation failed"));
    EXPECT_FALSE(SftpSaysNoMore("rename command failed: Permission denied"));
    EXPECT_EQ(SftpFailureKind("Timeout was reached", CURLE_OPERATION_TIMEDOUT), Kind::Transient);
}

// Only a MOVE's 412 says the name is taken: any other refusal of a rename must keep the live page.
TEST(ReplyKinds, WebDavStatusesByRequest)
{
    using Request = DavRequest;
    const struct
    {
        Request request;
        long status;
        int curlCode;
        Kind kind;
    } rows[] = {
        {Request::Move, 412, CURLE_OK, Kind::AlreadyExists},
        {Request::Other, 412, CURLE_OK, Kind::Refused},
        {Request::Move, 403, CURLE_OK, Kind::Refused},
        {Request::Move, 423, CURLE_OK, Kind::Refused},
        {Request::Move, 409, CURLE_OK, Kind::NotFound},
        {Request::MakeFolder, 405, CURLE_OK, Kind::AlreadyExists},
        {Request::Other, 405, CURLE_OK, Kind::Refused},
        {Request::Other, 404, CURLE_OK, Kind::NotFound},
        {Request::Other, 410, CURLE_OK, Kind::NotFound},
        {Request::Other, 401, CURLE_OK, Kind::Refused},
        {Request::Other, 413, CURLE_OK, Kind::Refused},
        {Request::Other, 301, CURLE_OK, Kind::Refused},
        {Request::Other, 408, CURLE_OK, Kind::Transient},
        {Request::Other, 429, CURLE_OK, Kind::Transient},
        {Request::Other, 500, CURLE_OK, Kind::Transient},
        {Request::Other, 502, CURLE_OK, Kind::Transient},
        {Request::Other, 503, CURLE_OK, Kind::Transient},
        {Request::Other, 501, CURLE_OK, Kind::Refused},
        {Request::Other, 505, CURLE_OK, Kind::Refused},
        {Request::Other, 507, CURLE_OK, Kind::Refused},
        {Request::Other, 0, CURLE_OPERATION_TIMEDOUT, Kind::Transient},
        {Request::Other, 0, CURLE_RECV_ERROR, Kind::Transient},
        {Request::Other, 0, CURLE_READ_ERROR, Kind::Refused},
        {Request::Other, 0, CURLE_ABORTED_BY_CALLBACK, Kind::Stopped},
    };
    for (const auto& row : rows)
        EXPECT_EQ(DavFailureKind(row.request, row.status, row.curlCode), row.kind) << row.status << " " << row.curlCode;
    EXPECT_NE(DavReplyReason(507).find("no room"), std::string::npos);
    EXPECT_TRUE(DavReplyReason(403).empty());
}

TEST(ReplyKinds, EveryKindTravelsAsAStatusAndComesBack)
{
    for (Kind kind : {Kind::NotFound, Kind::AlreadyExists, Kind::Refused, Kind::Transient, Kind::Stopped}) {
        const Status status = RemoteError(kind, "Cannot rename /a to /b", "553 Denied");
        EXPECT_FALSE(status.ok());
        EXPECT_EQ(KindOf(status), kind);
        EXPECT_NE(status.message().find("Cannot rename /a to /b: "), std::string::npos) << status.message();
        EXPECT_NE(status.message().find("(553 Denied)"), std::string::npos) << status.message();
    }
    EXPECT_EQ(KindOf(Status::IoError("a local file")), Kind::Refused);
}

} // namespace
} // namespace qle::publish
