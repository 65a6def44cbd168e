// varlo-cli goes through the proxy the window's network settings chose.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/run_cli.h"
#include "support/loopback_server.h"
#include "support/test_support.h"

namespace varlo {
namespace {

TEST(CliNetwork, AnUpdateGoesThroughTheProxyOfTheSettingsFile) {
    test::TempDir dir;
    test::LoopbackServer proxy;
    proxy.Route("http://feeds.example/feed.xml",
                test::Ok("<rss version='2.0'><channel><title>t</title>"
                         "<item><guid>a</guid></item></channel></rss>"));
    test::WriteFile(dir.File("subs.opml"),
                    "<?xml version='1.0' encoding='UTF-8'?><opml version='1.0'><body>"
                    "<outline text='A' type='rss' xmlUrl='http://feeds.example/feed.xml'/>"
                    "</body></opml>");
    test::WriteFile(dir.File("Varlo.ini"),
                    "[Network]\nProxy=2\nProxyAddress=" + proxy.Url("") + "\n");
    const std::string env = "no_proxy='*' VARLO_PROGRAM_FOLDER='" + dir.Path().string() +
                            "' VARLO_CONFIG='" + dir.File("Varlo.ini") +
                            "' DBUS_SESSION_BUS_ADDRESS= ";
    const test::CliResult r = test::RunCli("update '" + dir.File("subs.opml") + "'", env);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(nlohmann::json::parse(r.out.substr(0, r.out.find('\n')))["status"], "new") << r.out;
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_EQ(proxy.Requests()[0].target, "http://feeds.example/feed.xml");
}

}  // namespace
}  // namespace varlo
