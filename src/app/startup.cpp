#include "app/startup.h"

#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "access/declarations.h"
#include "app/a11y_ids.h"
#include "app/display_check.h"
#include "app/end_on_signals.h"
#include "app/kelvran_application.h"
#include "app/platform_start.h"
#include "app/record_on_show.h"
#include "app/trace_failure.h"
#include "boxes/message_boxes.h"
#include "buslink/linux/linux_backend.h"
#include "buslink/sim/scenario.h"
#include "buslink/sim/simulated_hardware.h"
#include "files/file_text.h"
#include "review/review_window.h"
#include "wizard/init_form.h"

#ifndef KELVRAN_VERSION
#define KELVRAN_VERSION "0.0.0"
#endif

namespace app {

namespace {

// Error lines go to a terminal: keep each on one line whatever the message holds.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

}  // namespace

Hardware PrepareHardware(const Options& options) {
  Hardware hw;
  std::optional<buslink::sim::Scenario> scenario;
  if (options.simulate) {
    if (options.scenario_file.empty()) {
      scenario = buslink::sim::Scenario::BuiltIn();
    } else {
      try {
        scenario = buslink::sim::Scenario::FromJson(
            files::ReadUserFile(options.scenario_file, "the scenario file"), options.scenario_file);
      } catch (const std::exception& e) {
        throw StartupError(OneLine(files::PlainText(e.what())));
      }
    }
  }
  if (!options.bus_trace_file.empty()) {
    hw.trace = std::make_unique<buslink::BusTrace>();
    try {
      hw.trace->OpenFile(options.bus_trace_file);
    } catch (const std::exception& e) {
      throw StartupError(OneLine(e.what()));
    }
    hw.trace->SetFailureReport(ReportTraceFailure);
  }
  if (scenario) {
    auto simulated = std::make_unique<buslink::sim::SimulatedHardware>(*scenario, hw.trace.get());
    simulated->LimitSearchTo(buslink::BusChoice::Parse(options.bus));
    hw.backend = std::move(simulated);
  } else {
    buslink::linux_hw::LinuxOptions linux_options;
    linux_options.bus = buslink::BusChoice::Parse(options.bus);
    hw.backend =
        std::make_unique<buslink::linux_hw::LinuxBackend>(hw.trace.get(), std::move(linux_options));
  }
  return hw;
}

int RunWizard(KelvranApplication& application, const Options& options, buslink::Backend& backend,
              boxes::MessageBoxes& boxes) {
  A11yIdPublisher* publisher = options.a11y_ids ? A11yIdPublisher::Install(application) : nullptr;
  if (!options.record_file.empty()) {
    RecordOnShow::Install(application, QString::fromLocal8Bit(options.record_file.c_str()),
                          options.record_interval_ms,
                          options.record_overwrite ? files::ExistingFile::Overwrite
                          : options.record_append  ? files::ExistingFile::Append
                                                   : files::ExistingFile::Refuse);
  }
  const EndOnSignals end_on_signals(application);
  int status = 0;
  {
    // The shared state outlives every window: the wizard (and the main window it owns) goes
    // first.
    devaccess::Declarations declarations(&backend);
    try {
      wizard::InitForm init_form(declarations, boxes);
      init_form.show();
      status = QApplication::exec();
    } catch (const std::exception& e) {
      // An error outside any event handler (the wizard's construction, say) is reported the
      // same way as one inside.
      application.ReportFatal(QString::fromLocal8Bit(e.what()));
    }
  }
  delete publisher;
  return application.FatalStatus() != 0 ? application.FatalStatus() : status;
}

int RunReview(KelvranApplication& application, const Options& options, boxes::MessageBoxes& boxes) {
  A11yIdPublisher* publisher = options.a11y_ids ? A11yIdPublisher::Install(application) : nullptr;
  int status = 0;
  {
    review::ReviewWindow window(QString::fromLocal8Bit(options.view_file.c_str()), boxes);
    if (!options.compare_file.empty())
      window.CompareWith(QString::fromLocal8Bit(options.compare_file.c_str()));
    window.show();
    status = QApplication::exec();
    if (window.Failed()) status = kUsageExitStatus;
  }
  delete publisher;
  return application.FatalStatus() != 0 ? application.FatalStatus() : status;
}

namespace {

// The application with its name and message boxes, made under the platform start guard.
std::unique_ptr<KelvranApplication> MakeApplication(int& argc, char** argv,
                                                    boxes::MessageBoxes& boxes) {
  std::unique_ptr<KelvranApplication> made;
  {
    const PlatformStartGuard guard;
    made = std::make_unique<KelvranApplication>(argc, argv);
  }
  QApplication::setApplicationName(QString::fromLatin1(kProgramName));
  QApplication::setApplicationVersion(QStringLiteral(KELVRAN_VERSION));
  made->SetMessageBoxes(&boxes);
  return made;
}

}  // namespace

int RunWindows(int& argc, char** argv, const Options& options, buslink::Backend& backend) {
  boxes::QtMessageBoxes boxes;
  const std::unique_ptr<KelvranApplication> application = MakeApplication(argc, argv, boxes);
  return RunWizard(*application, options, backend, boxes);
}

int RunProgram(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  const ParseOutcome parsed = ParseCommandLine(args);
  if (!parsed.ok()) {
    std::cerr << kProgramName << ": " << parsed.error << "\nTry '" << kProgramName
              << " --help' for more information.\n";
    return kUsageExitStatus;
  }
  switch (parsed.options.action) {
    case Options::Action::Help:
      std::cout << HelpText();
      return 0;
    case Options::Action::Version:
      std::cout << VersionText();
      return 0;
    case Options::Action::Run:
      break;
  }
  // Before any file is made or any window tried: without a display there is nothing to run.
  if (const std::string why = NoDisplayMessage(DisplayEnvironment::OfThisProcess()); !why.empty()) {
    std::cerr << why;
    return kUsageExitStatus;
  }
  if (!parsed.options.view_file.empty()) {
    // A recording to review: no bus is opened, no wizard shown.
    boxes::QtMessageBoxes boxes;
    const std::unique_ptr<KelvranApplication> application = MakeApplication(argc, argv, boxes);
    return RunReview(*application, parsed.options, boxes);
  }
  Hardware hw;
  try {
    hw = PrepareHardware(parsed.options);
  } catch (const StartupError& e) {
    std::cerr << kProgramName << ": " << e.what() << '\n';
    return kUsageExitStatus;
  }
  return RunWindows(argc, argv, parsed.options, *hw.backend);
}

}  // namespace app
