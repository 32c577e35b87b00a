// The modern page style: valid HTML5 with a title, a description and a viewport, header / nav /
// main / aside / footer laid out by the site's one stylesheet, and pictures with alternative
// text and their size.
#pragma once

#include "generator/TagWriter.h"

namespace qle::generator {

class ModernTagWriter final : public TagWriter
{
public:
    explicit ModernTagWriter(SiteLook look);

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
    // An <img> of the picture at `path` (registered for copying), in a <picture> with its WebP
    // versions when it has them, or the empty text when the path names no file. `alt` is plain
    // text. Every picture but the first of a page loads lazily.
    std::string image(std::string_view path, std::string_view alt, PictureCopier& pictures, bool banner = false);
    // The alternative text: the first of the given texts that is not empty, else the site name.
    std::string altText(std::initializer_list<std::string_view> candidates) const;

    SiteLook m_look;
    bool m_bannerShown = false; // every page starts with the banner
    int m_pagePictures = 0;     // pictures of the page being built, banner aside
};

} // namespace qle::generator
