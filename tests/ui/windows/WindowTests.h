// The Qt Test suites of the windows, run one after another by main.cpp.
#pragma once

namespace qle::ui::test {

int RunSplashTests(int argc, char** argv);
int RunAboutTests(int argc, char** argv);
int RunOptionsTests(int argc, char** argv);
int RunColoursBannerTests(int argc, char** argv);

} // namespace qle::ui::test
