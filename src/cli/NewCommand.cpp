#include "app/Paths.h"
#include "app/SiteFiles.h"
#include "cli/Commands.h"

#include <iostream>

namespace qle::cli {

int NewCommand(const Arguments& args)
{
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
        std::cerr << "usage: quillon new SITE.qls\n";
        return 2;
    }
    const std::string path = app::SiteFileName(args[0]);
    if (Status s = app::CreateSiteFile(app::ProgramFolder(), path); !s.ok()) {
        std::cerr << "quillon: " << s.message() << '\n';
        return 1;
    }
    std::cout << "Created " << path << '\n';
    return 0;
}

} // namespace qle::cli
