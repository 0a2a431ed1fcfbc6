#include "editor/new_document.h"

#include <gtest/gtest.h>

namespace tessel {
namespace {

TEST(NewDocumentTest, IsTheEmptyPageTitledWithTheDate) {
  EXPECT_EQ(NewDocumentText(DocDateTime{2024, 3, 7, 15, 4}),
            "\r\n<HTML>\r\n<HEAD>\r\n    <TITLE>New File: 2024-03-07</TITLE>\r\n</HEAD>\r\n\r\n"
            "<BODY>\r\n\r\n\r\n</BODY>\r\n</HTML>");
}

}  // namespace
}  // namespace tessel
