#include "editor/new_document.h"

#include <cstdio>

namespace tessel {

std::string NewDocumentText(const DocDateTime& today) {
  char date[40];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", today.Year, today.Month, today.Day);
  return std::string("\r\n<HTML>\r\n<HEAD>\r\n    <TITLE>New File: ") + date +
         "</TITLE>\r\n</HEAD>\r\n\r\n<BODY>\r\n\r\n\r\n</BODY>\r\n</HTML>";
}

}  // namespace tessel
