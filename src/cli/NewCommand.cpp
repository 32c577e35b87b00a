#include "app/Paths.h"
#include "app/SiteFiles.h"
#include "cli/Commands.h"

#include <iostream>

namespace qle::cli {

int NewCommand(const Arguments& args)
{
    std::optional<app::PageStyle> style;
    std::vector<std::string> positional;
    bool usage = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--style" && i + 1 < args.size() && !style) {
            const std::string& name = args[++i];
            if (name == "classic")
                style = app::PageStyle::Classic;
            else if (name == "modern")
                style = app::PageStyle::Modern;
            else
                usage = true;
        } else if (!args[i].empty() && args[i][0] != '-') {
            positional.push_back(args[i]);
        } else {
            usage = true;
        }
    }
    if (usage || positional.size() != 1) {
        std::cerr << "usage: quillon new SITE.qls [--style classic|modern]\n";
        return 2;
    }
    const std::string path = app::SiteFileName(positional[0]);
    if (Status s = app::CreateSiteFile(app::ProgramFolder(), path, style); !s.ok()) {
        std::cerr << "quillon: " << s.message() << '\n';
        return 1;
    }
    std::cout << "Created " << path << '\n';
    return 0;
}

} // namespace qle::cli
