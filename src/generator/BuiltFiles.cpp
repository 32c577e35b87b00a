#include "generator/BuiltFiles.h"

#include "app/Paths.h"
#include "app/TextFiles.h"

#include <algorithm>
#include <charconv>
#include <fcntl.h>
#include <iterator>
#include <sys/stat.h>
#include <unordered_map>

namespace qle::generator {

namespace {

// The first line names the format; a list of another format is not used.
constexpr std::string_view kHeader = "quillon-built-files 2";
// A line naming a picture that pages show; pages name it by its place among these lines.
constexpr char kPictureLine = '@';

std::int64_t Nanoseconds(const struct timespec& time)
{
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

template <typename Number>
bool ReadNumber(std::string_view& text, Number& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data() + text.size() || *end != ' ')
        return false;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()) + 1);
    return true;
}

std::string_view ReadWord(std::string_view& text)
{
    const std::size_t blank = text.find(' ');
    if (blank == std::string_view::npos)
        return {};
    const std::string_view word = text.substr(0, blank);
    text.remove_prefix(blank + 1);
    return word;
}

bool IsHex(std::string_view text, std::size_t size)
{
    return text.size() == size && text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// The pictures field of a line ("0,3": places among the picture lines) as the names it stands for;
// lines with the same field share one list.
class PictureFields
{
public:
    explicit PictureFields(const std::vector<std::string>& pictures)
        : m_pictures(pictures)
    {
    }

    bool read(std::string_view field, SharedNames& names)
    {
        if (const auto known = m_known.find(field); known != m_known.end()) {
            names = known->second;
            return true;
        }
        std::vector<std::string> list;
        for (std::string_view rest = field;;) {
            std::size_t place = 0;
            const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), place);
            if (error != std::errc() || place >= m_pictures.size())
                return false;
            list.push_back(m_pictures[place]);
            rest.remove_prefix(static_cast<std::size_t>(end - rest.data()));
            if (rest.empty())
                break;
            if (rest.front() != ',')
                return false;
            rest.remove_prefix(1);
        }
        names = SharedNames(std::move(list));
        m_known.emplace(field, names);
        return true;
    }

private:
    const std::vector<std::string>& m_pictures;
    std::unordered_map<std::string_view, SharedNames> m_known;
};

// "SIZE SHA256 MTIME_NS INODE SOURCE_SIZE SOURCE_MTIME_NS INPUTS PICTURES PATH"; INPUTS and PICTURES
// "-" for anything but a page, PICTURES the places of the picture lines, comma separated; the path
// last, as it stands.
bool ParseLine(std::string_view line, PictureFields& pictures, std::string_view& path, BuiltFile& file)
{
    if (!ReadNumber(line, file.size) || line.size() < 65 || line[64] != ' ' || !IsHex(line.substr(0, 64), 64))
        return false;
    file.sha256 = line.substr(0, 64);
    line.remove_prefix(65);
    if (!ReadNumber(line, file.mtimeNs) || !ReadNumber(line, file.inode) || !ReadNumber(line, file.sourceSize) ||
        !ReadNumber(line, file.sourceMtimeNs))
        return false;
    const std::string_view inputs = ReadWord(line);
    const std::string_view shown = ReadWord(line);
    if (inputs != "-") {
        if (!IsHex(inputs, 32))
            return false;
        file.inputs = inputs;
    }
    if (shown != "-" && !pictures.read(shown, file.pictures))
        return false;
    if (line.empty())
        return false;
    path = line;
    return true;
}

template <typename Number>
void AppendNumber(std::string& out, Number number)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    out.append(digits, end);
    out += ' ';
}

} // namespace

SharedNames::SharedNames(std::vector<std::string> names)
{
    if (!names.empty())
        m_names = std::make_shared<const std::vector<std::string>>(std::move(names));
}

const std::vector<std::string>& SharedNames::Empty()
{
    static const std::vector<std::string> none;
    return none;
}

BuiltFiles BuiltFiles::parse(std::string_view text)
{
    BuiltFiles list;
    std::size_t end = text.find('\n');
    if (end == std::string_view::npos || text.substr(0, end) != kHeader)
        return list;
    std::vector<std::string> pictures;
    PictureFields fields(pictures);
    list.m_files.reserve(text.size() / 128);
    bool sorted = true;
    for (std::size_t start = end + 1; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        if (end == std::string_view::npos)
            break; // a cut last line is not trusted
        const std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.front() == kPictureLine) {
            pictures.emplace_back(line.substr(1));
            continue;
        }
        std::string_view path;
        BuiltFile file;
        if (!ParseLine(line, fields, path, file))
            continue;
        sorted = sorted && (list.m_files.empty() || list.m_files.back().first < path);
        list.m_files.emplace_back(std::string(path), std::move(file));
    }
    if (!sorted) // not as this program writes it, but as good
        std::swap(list.m_files, list.m_put);
    return list;
}

std::string BuiltFiles::text() const
{
    const std::vector<Entry>& files = this->files();
    std::string text(kHeader);
    text += '\n';
    // The pictures field of each list of pictures pages share; empty when a picture cannot be
    // listed (a page whose pictures cannot all be listed is listed without its inputs: it is made again).
    std::unordered_map<std::string_view, std::size_t> places;
    std::unordered_map<const void*, std::string> shown;
    for (const auto& [path, file] : files) {
        if (file.inputs.empty() || file.pictures.empty() || shown.contains(file.pictures.identity()))
            continue;
        std::string field;
        for (const std::string& picture : file.pictures) {
            if (picture.find('\n') != std::string::npos) {
                field.clear();
                break;
            }
            const auto [place, added] = places.emplace(picture, places.size());
            if (added) {
                text += kPictureLine;
                text += picture;
                text += '\n';
            }
            field += (field.empty() ? "" : ",") + std::to_string(place->second);
        }
        shown.emplace(file.pictures.identity(), std::move(field));
    }
    text.reserve(text.size() + files.size() * 176);
    for (const auto& [path, file] : files) {
        if (path.find('\n') != std::string::npos)
            continue; // cannot be listed; such a file is simply written every time
        const std::string* pictures = file.pictures.empty() ? nullptr : &shown.at(file.pictures.identity());
        const bool listable = !file.inputs.empty() && (!pictures || !pictures->empty());
        AppendNumber(text, file.size);
        text += file.sha256.view();
        text += ' ';
        AppendNumber(text, file.mtimeNs);
        AppendNumber(text, file.inode);
        AppendNumber(text, file.sourceSize);
        AppendNumber(text, file.sourceMtimeNs);
        text += listable ? file.inputs.view() : "-";
        text += ' ';
        text += listable && pictures ? std::string_view(*pictures) : "-";
        text += ' ';
        text += path;
        text += '\n';
    }
    return text;
}

BuiltFiles BuiltFiles::load(const std::string& baseFolder)
{
    const auto file = app::MappedFile::open(app::JoinPath(baseFolder, kBuiltFilesFileName));
    return file ? parse(file->bytes()) : BuiltFiles();
}

Status BuiltFiles::save(const std::string& baseFolder) const
{
    return app::WriteOwnerOnlyFileDurably(app::JoinPath(baseFolder, kBuiltFilesFileName), text());
}

void BuiltFiles::put(std::string path, BuiltFile file)
{
    m_put.emplace_back(std::move(path), std::move(file));
    m_putOrder.push_back(++m_puts);
}

void BuiltFiles::putListed(const BuiltFiles& listed, const std::string& path, const BuiltFile& file)
{
    const std::size_t index = listed.indexOf(file);
    if (index == listed.size() || (m_listed && m_listed != &listed)) {
        put(path, file);
        return;
    }
    if (!m_listed) {
        m_listed = &listed;
        m_listedOrder.assign(listed.size(), 0);
    }
    m_listedOrder[index] = ++m_puts;
}

std::size_t BuiltFiles::indexOf(const BuiltFile& file) const
{
    const std::vector<Entry>& files = this->files();
    if (files.empty())
        return 0;
    const auto* first = reinterpret_cast<const char*>(&files.front().second);
    const auto* at = reinterpret_cast<const char*>(&file);
    const std::less<const char*> before;
    if (before(at, first) || !before(at, first + files.size() * sizeof(Entry)))
        return files.size();
    const auto index = static_cast<std::size_t>(at - first) / sizeof(Entry);
    return &files[index].second == &file ? index : files.size();
}

const std::vector<BuiltFiles::Entry>& BuiltFiles::files() const
{
    settle();
    return m_files;
}

void BuiltFiles::settle() const
{
    if (m_put.empty() && !m_listed)
        return;
    // Stable, so that of the puts of one path the last is found last.
    std::vector<std::uint32_t> sorted(m_put.size());
    for (std::uint32_t i = 0; i < sorted.size(); ++i)
        sorted[i] = i;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [this](std::uint32_t a, std::uint32_t b) { return m_put[a].first < m_put[b].first; });
    // Three lists sorted by path: what this list held, the entries of m_listed put, the other
    // puts. Of one path, the latest put wins, and any put wins over what the list held.
    const std::vector<Entry> none;
    const std::vector<Entry>& listed = m_listed ? m_listed->m_files : none;
    std::vector<Entry> merged;
    merged.reserve(m_files.size() + listed.size() + m_put.size());
    auto held = m_files.begin();
    std::size_t next = 0; // in listed
    const auto takeListedBefore = [&](const std::string* path) {
        for (; next < listed.size() && (!path || listed[next].first < *path); ++next)
            if (m_listedOrder[next] != 0) {
                for (; held != m_files.end() && held->first < listed[next].first; ++held)
                    merged.push_back(std::move(*held));
                if (held != m_files.end() && held->first == listed[next].first)
                    ++held;
                merged.push_back(listed[next]);
            }
    };
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        Entry& entry = m_put[sorted[i]];
        if (i + 1 < sorted.size() && m_put[sorted[i + 1]].first == entry.first)
            continue;
        takeListedBefore(&entry.first);
        const bool listedLater =
            next < listed.size() && listed[next].first == entry.first && m_listedOrder[next] > m_putOrder[sorted[i]];
        if (!listedLater) {
            if (next < listed.size() && listed[next].first == entry.first)
                ++next; // put earlier than this one
            for (; held != m_files.end() && held->first < entry.first; ++held)
                merged.push_back(std::move(*held));
            if (held != m_files.end() && held->first == entry.first)
                ++held;
            merged.push_back(std::move(entry));
        }
    }
    takeListedBefore(nullptr);
    std::move(held, m_files.end(), std::back_inserter(merged));
    m_files = std::move(merged);
    m_put = {};
    m_putOrder = {};
    m_listedOrder = {};
    m_listed = nullptr;
}

const BuiltFile* BuiltFiles::find(std::string_view path) const
{
    const std::vector<Entry>& files = this->files();
    const auto it = std::lower_bound(files.begin(), files.end(), path,
                                     [](const Entry& entry, std::string_view key) { return entry.first < key; });
    return it == files.end() || it->first != path ? nullptr : &it->second;
}

bool IsStillAsBuilt(const std::string& path, const BuiltFile& file)
{
    return IsStillAsBuilt(AT_FDCWD, path.c_str(), file);
}

bool IsStillAsBuilt(int folderFd, const char* name, const BuiltFile& file)
{
    struct stat info
    {
    };
    return ::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode) &&
           static_cast<std::uint64_t>(info.st_size) == file.size && Nanoseconds(info.st_mtim) == file.mtimeNs &&
           static_cast<std::uint64_t>(info.st_ino) == file.inode;
}

BuiltFile BuiltFileOf(const struct stat& info, std::string_view sha256)
{
    BuiltFile file;
    file.size = static_cast<std::uint64_t>(info.st_size);
    file.sha256 = sha256;
    file.mtimeNs = Nanoseconds(info.st_mtim);
    file.inode = static_cast<std::uint64_t>(info.st_ino);
    return file;
}

} // namespace qle::generator
