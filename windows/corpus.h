// The page corpus of the Windows comparison: a few disc-label pages drawn
// here, and the jobs (host, options, pages) that both the native and the
// Windows host programs print from them. Every page is generated, so the
// corpus needs no data files and is the same on every machine.
#ifndef QUILLORY2_WINDOWS_CORPUS_H_
#define QUILLORY2_WINDOWS_CORPUS_H_

#include <string>
#include <vector>

#include "page/ink_page.h"

namespace corpus {

struct Job {
  std::string name;                // no underscores: it names a test
  std::string host;                // "unidrv" or "nt4"
  std::vector<std::string> args;   // host program options
  std::vector<std::string> pages;  // page names, see PageFile
};

// The page called name ("colour600", "mono300", ...): a full CD page of
// 1416 dots across and 4.72 inch down at the page's rows per inch.
page::InkPage MakePage(const std::string& name);

// File name of the page in netpbm form: PPM for colour, PBM for monochrome.
std::string PageFile(const std::string& name);

// Writes the page as netpbm into path (via a temporary name, so parallel
// writers never see half a file). Returns false with a message on failure.
bool WritePage(const page::InkPage& page, const std::string& path, std::string* error);

// Every job of the comparison.
std::vector<Job> Jobs();

}  // namespace corpus

#endif  // QUILLORY2_WINDOWS_CORPUS_H_
