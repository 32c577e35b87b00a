// A site editor without windows, over the site's stored `Options` record: for the command line
// and the tests. Status lines go to a stream; the browser address is only remembered.
#pragma once

#include "generator/SiteEditor.h"
#include "store/Status.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace qle::generator {

class StoredSiteEditor : public SiteEditor
{
public:
    // Reads the homepage field from the site file. `progress` may be null for silence.
    static Result<StoredSiteEditor> open(const std::string& sitePath, std::ostream* progress);

    void setProgressText(const std::string& text) override;
    void startClearProgressTimer(int) override { }
    void commitEdits(DataSource source) override;
    std::string homepageText() const override { return m_homepage; }
    void setHomepageText(const std::string& text) override { m_homepage = text; }
    void navigateBrowser(const std::string& address) override { m_browserAddress = address; }
    void showBuildWarnings(const std::vector<std::string>& warnings) override { m_warnings = warnings; }

    const std::string& browserAddress() const { return m_browserAddress; }
    const std::vector<std::string>& buildWarnings() const { return m_warnings; }
    // The error of the last save of the options record, if it failed.
    const Status& commitStatus() const { return m_commitStatus; }

private:
    StoredSiteEditor(std::string sitePath, std::ostream* progress)
        : m_sitePath(std::move(sitePath))
        , m_progress(progress)
    {
    }

    std::string m_sitePath;
    std::ostream* m_progress;
    std::string m_homepage;
    std::string m_browserAddress;
    std::vector<std::string> m_warnings;
    Status m_commitStatus;
};

} // namespace qle::generator
