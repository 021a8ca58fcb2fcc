#include <string>

#include "cli/arguments.h"

namespace cli {

namespace {

constexpr const char* kBusOptions =
    "Bus options (every command):\n"
    "  --simulate[=FILE]     the simulated chip: built in (set up and running), or described\n"
    "                        by a scenario file\n"
    "  --bus-trace=FILE      append one line per bus transfer to FILE\n"
    "  --medium=smbus|printer, --bus=N|NAME, --port=N (printer port, from 0),\n"
    "  --address=A (7-bit, e.g. 0x2D)\n"
    "                        which chip: the first found that matches; by default the first\n"
    "                        'kelvran detect' lists. Nothing is written to an address that\n"
    "                        does not answer as the chip.\n"
    "                        --bus searches only i2c adapter N (/dev/i2c-N) or those whose\n"
    "                        name holds NAME (any case, e.g. --bus=CP2112); without it every\n"
    "                        adapter but the display buses (DDC, DisplayPort AUX, GPU) is\n"
    "                        searched.\n";

constexpr const char* kExitStatus =
    "Exit status: 0 done, 1 bus or file failure, 2 bad command line or input or a write\n"
    "not confirmed, 3 no chip found, 4 an alarm (watch --until-alarm).\n";

std::string Page(const char* usage, const char* what) {
  return std::string("Usage: ") + usage + "\n\n" + what + "\n" + kBusOptions + "\n" + kExitStatus;
}

}  // namespace

std::string Usage(const std::string& command) {
  if (command == "detect") {
    return Page("kelvran detect [--verbose] [bus options]",
                "Searches the printer ports, then the SMBus, as the window's wizard does, and\n"
                "prints one line per chip found; an SMBus chip's line names its adapter as\n"
                "--bus takes it. --verbose (-v) also lists on stderr every i2c adapter seen,\n"
                "searched or not, and why not.\n");
  }
  if (command == "dump") {
    return Page("kelvran dump [bus options]",
                "Reads all 50 registers in address order: address, name, hex, binary and the\n"
                "names of the bits that are set.\n");
  }
  if (command == "get") {
    return Page("kelvran get REG [bus options]",
                "Reads one register. REG is an address (0x40 or 40h), a register name such\n"
                "as \"INT Mask 1\" or a channel such as +12V or \"Fan 1\", which reads its\n"
                "measurement (any case).\n");
  }
  if (command == "set") {
    return Page(
        "kelvran set REG VALUE [--yes] [bus options]\n"
        "       kelvran set REG --bit N=0|1 [--yes] [bus options]",
        "Writes one register: VALUE as 0x3F, 3Fh, 63 or 0b00111111, or one bit by\n"
        "read-modify-write, and reads it back. Read-only registers are refused. On a\n"
        "terminal the write is confirmed first unless --yes (-y) is given; when stdin\n"
        "is not a terminal, only --yes lets it through. With several chips found, the\n"
        "bus options must leave one.\n");
  }
  if (command == "watch") {
    return Page(
        "kelvran watch [--interval=1s] [--count=N] [--give-up=DURATION] [--csv|--json]\n"
        "                     [--until-alarm] [bus options]",
        "Shows the converted readings of every channel the Channel Mode register\n"
        "selects, with their limits and alarm flags: a refreshing table on a terminal,\n"
        "otherwise one line per sample. --csv writes a header and one row per sample,\n"
        "--json one object per line. --interval takes 0, 500ms, 1s, 2min, 1h or 2d (at\n"
        "most 366d); --count stops after N samples. --until-alarm ends after the first\n"
        "sample that carries an alarm, names it on stderr and exits with status 4:\n"
        "  kelvran watch --until-alarm --interval 1s || mail -s alarm me < /dev/null\n"
        "A sample the chip does not answer is skipped and tried again at the next\n"
        "interval; stderr says once when it stops answering and once when it answers\n"
        "again. An adapter unplugged and back under another number is followed, once its\n"
        "chip identifies as the same. --give-up=10min ends with status 1 after that long\n"
        "without an answer; without it watch waits for the chip however long it takes.\n");
  }
  if (command == "alarms") {
    return Page("kelvran alarms [bus options]",
                "Prints every alarm the chip has latched since its INT Status registers were\n"
                "last read, one per line with the channel's reading and limits, and nothing\n"
                "when there is none. Reading the status registers clears them: an alarm that\n"
                "lasts latches again at the chip's next conversion, one that passed is gone.\n");
  }
  if (command == "snapshot") {
    return Page(
        "kelvran snapshot save FILE [--overwrite] [bus options]\n"
        "       kelvran snapshot restore FILE [--yes] [--force] [bus options]",
        "save writes every register of the chip to FILE (JSON, the window's snapshot\n"
        "format). A FILE that holds data is kept unless --overwrite, which replaces it\n"
        "only once the new one is complete. restore\n"
        "prints its plan (the writable registers that differ from FILE; START cleared\n"
        "first while the chip runs, Configuration 1 last), then writes and reads back\n"
        "each; it asks as set does. A snapshot of another Company ID or Revision needs\n"
        "--force.\n");
  }
  if (command == "record") {
    return Page(
        "kelvran record FILE [--interval=1s] [--count=N] [--give-up=DURATION]\n"
        "       [--overwrite|--append] [bus options]",
        "Records every channel the Channel Mode register selects to FILE, in the\n"
        "window's recording format (CSV with '#' header lines), until --count rows,\n"
        "Ctrl-C, SIGTERM or SIGHUP. Rows reach the file at least once a second and the\n"
        "disk every ten. A FILE that holds data is kept unless --overwrite replaces it\n"
        "or --append continues the recording in it (same columns only). A sample the\n"
        "chip does not answer is skipped (--count counts rows written): the file gets\n"
        "one '# bus error at' line when it stops answering and one '# resumed at' line\n"
        "when it answers again, and an unplugged adapter is followed to its new number\n"
        "as watch does; --give-up as for watch.\n");
  }
  if (command == "serve") {
    return Page(
        "kelvran serve [--listen=ADDRESS:PORT] [--min-interval=1s] [--web-config=FILE]\n"
        "              [bus options]",
        "Serves every chip found (or those the bus options pick) to Prometheus over HTTP:\n"
        "/metrics in the text format 0.0.4, or OpenMetrics 1.0 when the scraper asks for it,\n"
        "and / lists the chips. It only reads: nothing is ever written to a chip.\n"
        "--listen defaults to 127.0.0.1:19610 (loopback only); any other address makes the\n"
        "readings visible to the network, and without --web-config a warning says so.\n"
        "[::1]:19610 for IPv6, port 0 for any free port. A scrape that comes within\n"
        "--min-interval (at least 1s beyond loopback) of a chip's last reading gets that\n"
        "reading. --web-config=FILE takes the exporter ecosystem's web configuration file:\n"
        "TLS (tls_server_config), passwords (basic_auth_users, bcrypt) and client\n"
        "certificates; it is read again when it changes. A bus failure shows as\n"
        "kelvran_up 0 and the next scrape tries again. A chip is labelled by where it\n"
        "sits (smbus/usb-1-2/0x2D), so an adapter unplugged and back under another\n"
        "number keeps its series. Ctrl-C or SIGTERM stops it. docs/prometheus.md has\n"
        "scrape configs, alert rules and a dashboard. Exit status 1 also when it cannot\n"
        "listen, 2 when FILE cannot be used.\n");
  }
  return std::string(
             "Usage: kelvran COMMAND [options]\n"
             "\n"
             "The KELVRAN hardware-monitor chip from a terminal: named, converted readings and\n"
             "raw registers, on a printer-port evaluation board, the SMBus or the simulated chip.\n"
             "\n"
             "Commands:\n"
             "  detect                 list the chips found\n"
             "  dump                   all registers, decoded\n"
             "  get REG                one register\n"
             "  set REG VALUE          write a register (or --bit N=0|1)\n"
             "  watch                  readings, limits and alarms, repeatedly\n"
             "  snapshot save|restore FILE   all registers to a file, or back to the chip\n"
             "  record FILE            readings to a CSV file\n"
             "  serve                  readings, limits and alarms for Prometheus, over HTTP\n"
             "  alarms                 what the chip has latched (reading clears it)\n"
             "\n"
             "'kelvran COMMAND --help' describes each. --version shows the version.\n\n") +
         kBusOptions + "\n" + kExitStatus;
}

}  // namespace cli
