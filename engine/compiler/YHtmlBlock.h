// YHtmlBlock: one stretch of literal page text, written at run time by
// Response.HtmlBlock(n) where n is its index in the page's block table.
#pragma once

#include <cstdint>
#include <string>

struct YHtmlBlock {
  int32_t fileIndex = 0;  // index into the page's file-name table
  int32_t startLine = 0;  // line feeds in that file before the block
  int32_t lineFeeds = 0;  // line feeds inside the block
  std::string text;       // the literal bytes, as in the file
};
