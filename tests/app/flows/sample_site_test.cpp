// The sample site serves what the flows and the run command rely on.
#include <gtest/gtest.h>

#include "http/access.h"
#include "sample_site/site.h"
#include "tests/app/flows/flow_support.h"
#include "text/primitives.h"

namespace talvex::app {
namespace {

using testing::Gbk;

TEST(SampleSite, UpdateFileNamesTheChosenVersionAndItsDownloadPageInGbk) {
    for (const char* version : {"1.6", "1.7"}) {
        SCOPED_TRACE(version);
        sample_site::SiteOptions options;
        options.updateVersion = version;
        sample_site::SampleSite site(options);
        ASSERT_TRUE(site.Start());
        const Text file = FetchPageText(Text(site.Base() + "/gengxin/gengxin2.txt"));
        EXPECT_EQ(TextBetween(file, Gbk("【Vornik开始】"), Gbk("【Vornik结束】")), Text(version));
        EXPECT_EQ(TextBetween(file, Gbk("【Vornik结束】"), Gbk("【Vornik地址】")),
                  Text(site.Base() + "/download/"));
    }
}

TEST(SampleSite, ServesThePublishersPagesAndTheDetailPagesItLists) {
    sample_site::SampleSite site({});
    ASSERT_TRUE(site.Start());
    for (const std::string path : {"/", "/share.html", "/download/"}) {
        SCOPED_TRACE(path);
        EXPECT_NE(FetchPageText(Text(site.Base() + path)).view().find("<h1>"), std::string::npos);
    }
    const sample_site::Result result = sample_site::CatalogueResult(site.Base(), "abc", 2, 3);
    const Text detail = FetchPageText(Text(result.detailUrl));
    EXPECT_NE(detail.view().find("\r\n<a href=\"" + result.magnet + "\">"), std::string::npos);
}

TEST(SampleSite, RefusesAPortInUse) {
    sample_site::SampleSite first({});
    ASSERT_TRUE(first.Start());
    sample_site::SiteOptions options;
    options.port = first.Port();
    sample_site::SampleSite second(options);
    EXPECT_FALSE(second.Start());
}

}  // namespace
}  // namespace talvex::app
