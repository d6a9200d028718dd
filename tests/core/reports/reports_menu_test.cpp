#include "core/reports/reports_menu.h"

#include <gtest/gtest.h>

#include "support/run_fixture.h"

using namespace lumivane;
using lumivane::test::RunFixture;
using lumivane::test::templateLine;

// Sums read grouped texts; a bill without a path is counted but neither linked nor summed.
TEST(ReportsMenu, CountsEveryBillAndSumsAndLinksThoseWithAPath)
{
    const struct {
        const char* name;
        std::vector<BillFigures> bills;
        const char *count, *day, *total, *links;
    } cases[] = {
        // clang-format off
        {"no bills", {}, "0", "0.00", "0.00", ""},
        // Each bill's link and costs share one row, so a long name cannot shift a cost.
        {"in order, grouped", {{"/r/A.html", "1,234.50", "1,234.00", "0.50"}, {"/r/B.html", "10.00", "10.00", "0.00"}},
         "2", "1,244.00", "1,244.50",
         "<div class='lRow'><div class='lLeft'><a href='file:///r/A.html' title='A'>A</a></div>"
         "<div class='lMid'>£1,234.00</div><div class='lMid'>£0.50</div><div class='lMid'>£1,234.50</div></div>"
         "<div class='lRow'><div class='lLeft'><a href='file:///r/B.html' title='B'>B</a></div>"
         "<div class='lMid'>£10.00</div><div class='lMid'>£0.00</div><div class='lMid'>£10.00</div></div>"},
        {"empty bill path", {{"", "10.00", "5.00", "5.00"}, {"/r/B.html", "2.00", "1.00", "1.00"}}, "2", "1.00", "2.00",
         "<div class='lRow'><div class='lLeft'><a href='file:///r/B.html' title='B'>B</a></div>"
         "<div class='lMid'>£1.00</div><div class='lMid'>£1.00</div><div class='lMid'>£2.00</div></div>"},
        // A "|" in a name must not split its link in two.
        {"escaped names, encoded targets", {{"/op/my r/A&B<C>'|.html", "2.00", "1.00", "1.00"}}, "1", "1.00", "2.00",
         "<div class='lRow'><div class='lLeft'><a href='file:///op/my%20r/A%26B%3CC%3E%27%7C.html' "
         "title='A&amp;B&lt;C&gt;&#39;|'>A&amp;B&lt;C&gt;&#39;|</a></div>"
         "<div class='lMid'>£1.00</div><div class='lMid'>£1.00</div><div class='lMid'>£2.00</div></div>"},
        // A bill to look at carries its marks after its name.
        {"marked", {{"/r/A.html", "-1.00", "-1.00", "0.00", "", false, {"negative", "see notes"}}}, "1", "-1.00", "-1.00",
         "<div class='lRow'><div class='lLeft'><a href='file:///r/A.html' title='A'>A</a><span class='lMark'>negative"
         "</span><span class='lMark'>see notes</span></div><div class='lMid'>£-1.00</div><div class='lMid'>£0.00</div>"
         "<div class='lMid'>£-1.00</div></div>"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ReportLinkLists lists;
        for (const BillFigures& bill : c.bills)
            lists.add(bill);
        const auto menu = fillReportsMenu(RunFixture::menuTemplate(), lists, "05/12/2026", "<pc>");
        EXPECT_EQ(templateLine(*menu, "N"), c.count);
        EXPECT_EQ(templateLine(*menu, "D"), "£" + std::string(c.day));
        EXPECT_EQ(templateLine(*menu, "T"), "£" + std::string(c.total));
        EXPECT_EQ(templateLine(*menu, "L"), c.links);
        EXPECT_EQ(templateLine(*menu, "G"), "Reports Generated on 05/12/2026 from &lt;pc&gt;");
    }
    std::string lacking = RunFixture::menuTemplate();
    lacking.erase(lacking.find("%listoflinks"), 12);
    EXPECT_EQ(fillReportsMenu(lacking, ReportLinkLists{}, "d", "c").error().reason,
              "the menu template has no placeholder %listoflinks");
    for (const std::string placeholder : {"%listoflinks", "%listofperiods"})
        EXPECT_EQ(fillReportsMenu(RunFixture::menuTemplate() + placeholder + placeholder, ReportLinkLists{}, "d", "c")
                      .error()
                      .reason,
                  "the menu template has the placeholder " + placeholder + " more than once");
}
