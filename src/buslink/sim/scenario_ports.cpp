// The printer ports of a scenario and the evaluation boards on them.
#include "buslink/sim/scenario_reader.h"

namespace buslink::sim::scenario_format {

namespace {

constexpr int kDefaultPortBases[] = {0x378, 0x278, 0x3BC};

void ReadBoardAddress(Reader& r, const json& value, const std::string& path, BoardSetup& into) {
  into.address = static_cast<std::uint8_t>(r.Integer(value, path, 0x00, 0xFE, kHex));
  if ((into.address & 0x01) != 0) {
    r.Fail(path + ": " + Hex(into.address) +
           " is odd; a board address is the 8-bit form (the 7-bit address times two)");
  }
}

constexpr Word<int> kModeFlags[] = {{"false", 0}, {"true", 1}, {"both", 2}};

// The ModeFlag settings the board answers under; JSON's own true and false do as well.
void ReadAnswersUnder(Reader& r, const json& value, const std::string& path, BoardSetup& into) {
  const int choice =
      value.is_boolean() ? (value.get<bool>() ? 1 : 0) : r.Choice(value, path, kModeFlags);
  into.answers_when_false = choice != 1;
  into.answers_when_true = choice != 0;
}

constexpr Field<BoardSetup> kBoardKeys[] = {
    {"address", ReadBoardAddress},
    {"answers_under", ReadAnswersUnder},
};

void ReadBoards(Reader& r, const json& value, const std::string& path, PrinterPortSetup& port) {
  r.ReadList(value, path, [&](const json& entry, const std::string& entry_path, std::size_t i) {
    BoardSetup board;
    board.chip = r.chip;
    r.Read(entry, entry_path, Fields{kBoardKeys, board}, Fields{kChipKeys, board.chip});
    for (std::size_t j = 0; j < i; ++j) {
      if (port.boards[j].address == board.address) {
        r.Fail(Key(entry_path, "address") + ": " + Hex(board.address) + " is already taken by " +
               Index(path, j));
      }
    }
    port.boards.push_back(std::move(board));
  });
}

constexpr Field<PrinterPortSetup> kPortKeys[] = {
    {"base", Whole<&PrinterPortSetup::base, 0, 0xFFFF, kHex>, Need::First},
    {"boards", ReadBoards},
};

}  // namespace

void ReadPrinterPorts(Reader& r, const json& value, const std::string& path, Scenario& into) {
  r.ReadList(value, path, [&](const json& entry, const std::string& entry_path, std::size_t p) {
    PrinterPortSetup port;
    port.base = p < std::size(kDefaultPortBases) ? kDefaultPortBases[p] : -1;
    r.Read(entry, entry_path, Fields{kPortKeys, port});
    if (port.base < 0) r.Fail(entry_path + ": a fourth or later printer port needs its \"base\"");
    for (std::size_t q = 0; q < p; ++q) {
      if (into.printer_ports[q].base == port.base) {
        r.Fail(Key(entry_path, "base") + ": " + Hex(port.base, 3) + " is already the base of " +
               Index(path, q));
      }
    }
    into.printer_ports.push_back(std::move(port));
  });
}

}  // namespace buslink::sim::scenario_format
