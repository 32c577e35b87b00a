#include "generator/RowSummary.h"

#include "app/Paths.h"
#include "app/TextFiles.h"

#include <charconv>
#include <cstdio>
#include <xxhash.h>

namespace qle::generator {

namespace {

constexpr std::string_view kHeader = "quillon-rows 1\n";

// Every piece is its length, ':' and its bytes, so that titles and names may hold anything.
void Put(std::string& out, std::string_view bytes)
{
    out += std::to_string(bytes.size());
    out += ':';
    out += bytes;
}

void PutValue(std::string& out, const store::Value& value)
{
    out += value ? 'V' : 'N';
    Put(out, store::TextOf(value));
}

void PutNumber(std::string& out, long long number)
{
    Put(out, std::to_string(number));
}

std::string Checksum(std::string_view text)
{
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(XXH3_64bits(text.data(), text.size())));
    return hex;
}

class Reader
{
public:
    explicit Reader(std::string_view text)
        : m_text(text)
    {
    }
    bool ok() const { return m_ok; }
    bool atEnd() const { return m_at == m_text.size(); }

    std::string_view piece()
    {
        const auto colon = m_text.find(':', m_at);
        std::size_t size = 0;
        if (!m_ok || colon == std::string_view::npos ||
            std::from_chars(m_text.data() + m_at, m_text.data() + colon, size).ptr != m_text.data() + colon ||
            colon == m_at || size > m_text.size() - colon - 1) {
            m_ok = false;
            return {};
        }
        m_at = colon + 1 + size;
        return m_text.substr(colon + 1, size);
    }
    std::string text() { return std::string(piece()); }
    store::Value value()
    {
        const char kind = m_ok && m_at < m_text.size() ? m_text[m_at++] : '?';
        if (kind != 'V' && kind != 'N')
            m_ok = false;
        std::string text = std::string(piece());
        return kind == 'V' ? store::Value(std::move(text)) : std::nullopt;
    }
    long long number()
    {
        const std::string_view text = piece();
        long long number = 0;
        if (m_ok && std::from_chars(text.data(), text.data() + text.size(), number).ptr != text.data() + text.size())
            m_ok = false;
        return number;
    }

private:
    std::string_view m_text;
    std::size_t m_at = 0;
    bool m_ok = true;
};

} // namespace

std::string ListKey(const store::Value& category, const store::Value* section)
{
    std::string key;
    PutValue(key, category);
    if (section)
        PutValue(key, *section);
    return key;
}

std::string RowSummary::text() const
{
    std::string out(kHeader);
    out.reserve(articles.size() * 96 + (lists.size() + panels.size()) * 128);
    Put(out, sitePath);
    PutNumber(out, position ? position->seq : 0);
    Put(out, position ? position->token : std::string());
    PutNumber(out, position ? position->schema : -1);
    Put(out, siteInputs);
    PutNumber(out, static_cast<long long>(articles.size()));
    for (const auto& [id, article] : articles) {
        PutNumber(out, id);
        PutValue(out, article.category);
        PutValue(out, article.section);
        Put(out, article.title);
        Put(out, article.fields.view());
    }
    for (const auto* map : {&lists, &panels}) {
        PutNumber(out, static_cast<long long>(map->size()));
        for (const auto& [key, value] : *map) {
            Put(out, key);
            Put(out, value);
        }
    }
    // A cut or damaged file is never trusted.
    out += "\nxxh3 " + Checksum(out) + "\n";
    return out;
}

RowSummary RowSummary::parse(std::string_view text)
{
    constexpr std::size_t kTrailer = 6 + 16 + 1; // "\nxxh3 " digits "\n"
    if (text.size() < kHeader.size() + kTrailer || text.substr(0, kHeader.size()) != kHeader)
        return {};
    const std::string_view body = text.substr(0, text.size() - kTrailer);
    if (text.substr(body.size()) != "\nxxh3 " + Checksum(body) + "\n")
        return {};
    Reader in(body.substr(kHeader.size()));
    RowSummary summary;
    summary.sitePath = in.text();
    LogPosition position;
    position.seq = in.number();
    position.token = in.text();
    position.schema = in.number();
    summary.siteInputs = in.text();
    for (long long n = in.number(); in.ok() && n > 0; --n) {
        const long long id = in.number();
        Article article;
        article.category = in.value();
        article.section = in.value();
        article.title = in.text();
        article.fields = in.piece();
        summary.articles.emplace_hint(summary.articles.end(), id, std::move(article));
    }
    for (auto* map : {&summary.lists, &summary.panels})
        for (long long n = in.number(); in.ok() && n > 0; --n) {
            std::string key = in.text();
            map->emplace(std::move(key), in.text());
        }
    if (!in.ok() || !in.atEnd())
        return {};
    if (position.seq > 0)
        summary.position = position;
    return summary;
}

RowSummary RowSummary::load(const std::string& baseFolder)
{
    const auto file = app::MappedFile::open(app::JoinPath(baseFolder, kRowSummaryFileName));
    return file ? parse(file->bytes()) : RowSummary();
}

Status RowSummary::save(const std::string& baseFolder) const
{
    return app::WriteOwnerOnlyFileDurably(app::JoinPath(baseFolder, kRowSummaryFileName), text());
}

} // namespace qle::generator
