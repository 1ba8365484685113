// The arguments both host programs share, parsed with CLI11: the job
// options, read with the core's words, and the end of a parse.
#ifndef QUILLORY2_HOSTS_HOST_ARGUMENTS_H_
#define QUILLORY2_HOSTS_HOST_ARGUMENTS_H_

#include <stdio.h>

#include <CLI/CLI.hpp>
#include <iostream>
#include <string>
#include <string_view>

#include "files/write_file.h"
#include "page/job_options.h"

namespace hosts {

// An option whose text parse() turns into *value; text it does not know is a
// usage error that names the words it takes.
template <class Value>
CLI::Option* AddWordOption(CLI::App* app, const std::string& names, Value* value,
                           bool (*parse)(std::string_view, Value*), const char* words,
                           const std::string& help) {
  const std::string shown = names.substr(names.find_last_of(',') + 1);
  return app->add_option_function<std::string>(
      names,
      [value, parse, words, shown](const std::string& text) {
        if (!parse(text, value)) {
          throw CLI::ValidationError(shown, "unknown value '" + text + "' (use " + words + ")");
        }
      },
      help + " (" + words + ")");
}

// --resolution, --media, --text-quality and --image-control.
inline void AddJobOptionArguments(CLI::App* app, page::JobOptions* options) {
  AddWordOption(app, "-r,--resolution", &options->resolution, page::ParseResolution, "600 or 300",
                "rows per inch down, 300 dots per inch across; default 600");
  AddWordOption(app, "--paper,--media", &options->media, page::ParseMedia, page::kMediaWords,
                "media; default Regular");
  AddWordOption(app, "--text-quality", &options->on_option, page::ParseOnOff, page::kOnOffWords,
                "the printer's OFF/ON option; default OFF");
  AddWordOption(app, "--image-control", &options->image_control, page::ParseImageControl,
                page::kImageControlWords, "image control; default AUTO");
}

// The last step of a run that wrote to standard output: a lost write there
// (a full disk, a closed pipe) is a failure like any other.
// std::cout writes through stdio's stdout, so the close sees its errors too.
inline int CloseOutput(const std::string& program) {
  std::string error;
  if (files::CloseStandardOutput(&error)) return 0;
  fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
  return 1;
}

// Parses the command line. Returns -1 to go on, else the exit status: 0
// after --help, 2 after a usage error (said on standard error in one line).
inline int ParseArguments(CLI::App* app, int argc, char** argv) {
  // A Windows build would read "/x" as the option x, but paths under Wine
  // (and on any system given Unix-style paths) start with a slash.
  app->allow_windows_style_options(false);
  try {
    app->parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) {
      app->exit(e);
      return CloseOutput(app->get_name());
    }
    fprintf(stderr, "%s: %s\n(%s --help explains the options)\n", app->get_name().c_str(), e.what(),
            app->get_name().c_str());
    return 2;
  }
  return -1;
}

}  // namespace hosts

#endif  // QUILLORY2_HOSTS_HOST_ARGUMENTS_H_
