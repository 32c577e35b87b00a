// What the build driver and the homepage look-up need of the site editor. The Qt editor implements
// it over its bound controls; the command line and the tests implement it over the stored record.
#pragma once

#include <string>
#include <vector>

namespace qle::generator {

class SiteEditor
{
public:
    enum class DataSource {
        Pages,   // the `Articles` record being edited (datPrimaryRS)
        Options, // the site's `Options` record (Data1)
    };

    virtual ~SiteEditor() = default;

    // The one-line build status (lblProgress).
    virtual void setProgressText(const std::string& text) = 0;

    // Starts the timer whose tick empties the status (tmrClearProgress).
    virtual void startClearProgressTimer(int intervalMs) = 0;

    // CommitEdits: saves the pending edits of a data source; failures are the editor's to ignore.
    virtual void commitEdits(DataSource source) = 0;

    // The homepage field (the `Options` field `homepage`), as text.
    virtual std::string homepageText() const = 0;
    virtual void setHomepageText(const std::string& text) = 0;

    // Points the editor's browser at an address (WebBrowser1).
    virtual void navigateBrowser(const std::string& address) = 0;

    // The warnings of the last build (pictures that were not copied); empty after a clean build.
    virtual void showBuildWarnings(const std::vector<std::string>& /*warnings*/) { }

    // Lets the windows repaint once before the build starts; nothing to do without windows.
    virtual void processEvents() { }
};

} // namespace qle::generator
