// The modern page style: valid HTML5 with a title, a description and a viewport, header / nav /
// main / aside / footer laid out by the site's one stylesheet, and pictures with alternative
// text and their size.
#pragma once

#include "generator/PictureSize.h"
#include "generator/TagWriter.h"

#include <map>
#include <optional>

namespace qle::generator {

class ModernTagWriter final : public TagWriter
{
public:
    explicit ModernTagWriter(SiteLook look);

    std::string articleBody(const ArticleRow& row, const PageHead& head, PictureCopier& pictures) override;
    std::string articleSummary(const MiniArticle& row, bool showPicture, const PageHead& head,
                               PictureCopier& pictures) override;
    std::string articleList(const store::Value* category, const store::Value* section,
                            const std::vector<std::string>& entries) override;
    std::string panelList(std::string_view heading, const std::vector<PanelEntry>& entries) override;
    void page(std::string& out, PageKind kind, const PageHead& head, std::string_view contents, std::string_view middle,
              std::string_view sections, PictureCopier& pictures) override;

private:
    // An <img> of the picture at `path` (registered for copying), or the empty text when the path
    // names no file. `alt` is plain text.
    std::string image(std::string_view path, std::string_view alt, PictureCopier& pictures);
    // The alternative text: the first of the given texts that is not empty, else the site name.
    std::string altText(std::initializer_list<std::string_view> candidates) const;

    SiteLook m_look;
    std::map<std::string, std::optional<PictureSize>, std::less<>> m_sizes; // by source path
};

} // namespace qle::generator
