#pragma once

#include <QFrame>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "access/declarations.h"
#include "wizard/device_search.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;

namespace wizard {

// The wizard's four pages, each a panel of the one place they share in InitForm, which moves
// between them. Their controls carry the names the window was designed with, and InitForm reaches
// them for the tab order and the search.

// Page 1: what the wizard does.
class WelcomePage : public QFrame {
 public:
  WelcomePage();
  void SetTexts();

  QLabel* WelcomeLBL;
  QLabel* WelcomeInstructionsLBL;
};

// Page 2: the media to search, and whether this computer offers the SMBus.
class MediumPage : public QFrame {
 public:
  MediumPage();
  // The texts, and the SMBus offered or refused by the operating-system build the component
  // reports; throws when that build is not a number.
  void SetTexts(devaccess::Declarations& d, const buslink::SystemInfo& system);
  // A computer that offered no SMBus may have one now (a USB bridge plugged in, the i2c-dev
  // module loaded); otherwise the page stays exactly as it was.
  void RecheckSMBus(devaccess::Declarations& d, const buslink::SystemInfo* system);
  // The base typed over the reported one picks that controller; as shown, it changes nothing.
  long SMBusBaseToSearch() const;
  // Why the SMBus box is off; empty while it is offered.
  const std::string& smbus_unavailable() const { return smbus_unavailable_; }

  QCheckBox* PPCheck;
  QLabel* PPSearchDescLBL;
  QCheckBox* SMBusCheck;
  QLabel* SMBusSearchDescLBL;
  QLineEdit* SMBusBaseAddressTXT;
  QCheckBox* USBCheck;
  QLabel* USBSearchDescLBL;
  QLabel* SearchMediumInstLBL;

 private:
  void OfferSMBus(devaccess::Declarations& d);
  void RefuseSMBus(devaccess::Declarations& d, long build);

  long smbus_reported_base_ = 0;  // what the component reported for the base address box
  std::string smbus_unavailable_;
};

// Page 3: the search under way.
class SearchingPage : public QFrame {
 public:
  SearchingPage();
  void SetTexts();
  // The search runs inside a click handler: each step repaints the page, or nothing would show.
  void Advance(int step);

  QLabel* SearchingLBL;
  QLabel* SearchingDetailsLBL;
  QProgressBar* SearchProgress;
};

// Page 4: the chips found, one line each, or a word that none was.
class ResultsPage : public QFrame {
 public:
  ResultsPage();
  // One line per chip the search found; the number of lines.
  int List(const DeviceSearch& search, devaccess::Declarations& d);
  void Clear();
  // The 7- or 8-bit address (as the wizard hands it on) and, for an SMBus chip whose backend
  // names it, the adapter of a line.
  std::uint8_t AddressOf(std::size_t line) const { return line_addresses_.at(line); }
  const std::optional<buslink::I2cAdapterInfo>& AdapterOf(std::size_t line) const {
    return line_adapters_.at(line);
  }

  QLabel* SearchResultsDescLBL;
  QListWidget* SearchResultsLIST;
  QLabel* SearchResultsLBL;
  QLabel* SearchInsLBL;

 private:
  std::vector<std::uint8_t> line_addresses_;
  std::vector<std::optional<buslink::I2cAdapterInfo>> line_adapters_;
};

}  // namespace wizard
