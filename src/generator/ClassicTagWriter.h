// The classic page style: fixed-width tables and FONT tags, byte for byte the pages the program
// has always written.
#pragma once

#include "generator/TagWriter.h"

#include <optional>

namespace qle::generator {

class ClassicTagWriter final : public TagWriter
{
public:
    explicit ClassicTagWriter(SiteLook look);

    std::string articleBody(const ArticleRow& row, const PageHead& head, std::string_view mainText,
                            PictureCopier& pictures) override;
    void appendMainText(std::string& out, std::string_view text) const override;
    std::string articleSummary(const MiniArticle& row, bool showPicture, const PageHead& head,
                               PictureCopier& pictures) override;
    std::string articleList(const store::Value* category, const store::Value* section,
                            const std::vector<std::string>& entries) override;
    std::string panelList(std::string_view heading, const std::vector<PanelEntry>& entries) override;
    void page(std::string& out, PageKind kind, const PageHead& head, std::string_view contents, std::string_view middle,
              std::string_view sections, PictureCopier& pictures) override;

private:
    SiteLook m_look;
    // Builders run one page kind after another, so one frame is kept at a time.
    std::optional<PageKind> m_frameKind;
    std::unique_ptr<FrameTemplate> m_frame;
};

} // namespace qle::generator
