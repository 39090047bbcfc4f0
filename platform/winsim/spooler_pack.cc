#include "platform/winsim/spooler_pack.h"

#include <array>
#include <cstring>
#include <string>

#include "platform/winsim/winsim.h"

namespace winsim::spooler {
namespace {

// Windows marks every local printer of a level-1 enumeration this way.
constexpr DWORD kPrinterEnumIcon8 = 0x00800000;

// Level 1's description: "name,driver,location", as the local spooler
// composes it; its parts, so that it is written without being built first.
using Parts = std::array<const std::string*, 3>;
Parts DescriptionParts(const PrinterRecord& r) { return {&r.name, &r.driver, &r.location}; }

size_t JoinedSize(const Parts& parts) {
  size_t n = parts.size() - 1;  // the commas
  for (const std::string* p : parts) n += p->size();
  return n;
}

// Hands out string space from the end of the block, downwards.
class StringArea {
 public:
  StringArea(LPBYTE block, DWORD size) : end_(reinterpret_cast<char*>(block) + size) {}
  LPSTR Put(const std::string& text) {
    end_ -= text.size() + 1;
    std::memcpy(end_, text.c_str(), text.size() + 1);
    return end_;
  }
  /// The parts joined with commas.
  LPSTR PutJoined(const Parts& parts) {
    end_ -= JoinedSize(parts) + 1;
    char* at = end_;
    for (size_t i = 0; i < parts.size(); ++i) {
      if (i > 0) *at++ = ',';
      std::memcpy(at, parts[i]->data(), parts[i]->size());
      at += parts[i]->size();
    }
    *at = '\0';
    return end_;
  }

 private:
  char* end_;
};

// The bytes of one string with its NUL: as ANSI, or as the UTF-16 that the
// Unicode call returns.
using Measure = size_t (*)(const std::string& text);
size_t AnsiBytes(const std::string& text) { return text.size() + 1; }
size_t WideBytes(const std::string& text) {
  size_t units = 1;
  for (char32_t c : AnsiToWide(text)) units += c > 0xFFFF ? 2 : 1;
  return units * sizeof(char16_t);
}

size_t StringsSize1(const PrinterRecord& r, Measure measure) {
  std::string description = r.name + ',' + r.driver + ',' + r.location;
  return measure(description) + measure(r.name) + measure(r.comment);
}

size_t StringsSize2(const PrinterRecord& r, Measure measure) {
  const std::string* fields[] = {&r.name,     &r.share_name,     &r.port,     &r.driver,
                                 &r.comment,  &r.location,       &r.separator_file,
                                 &r.print_processor, &r.datatype, &r.parameters};
  size_t n = 0;
  for (const std::string* f : fields) n += measure(*f);
  return n;
}

size_t StringsSize4(const PrinterRecord& r, Measure measure) { return measure(r.name); }

size_t StringsSize5(const PrinterRecord& r, Measure measure) {
  return measure(r.name) + measure(r.port);
}

DWORD ReportedAttributes(const PrinterView& v) {
  return v.record->attributes | (v.is_default ? PRINTER_ATTRIBUTE_DEFAULT : 0);
}

void Pack1(const PrinterView& v, PRINTER_INFO_1A* out, StringArea* area) {
  const PrinterRecord& r = *v.record;
  out->Flags = kPrinterEnumIcon8;
  out->pDescription = area->PutJoined(DescriptionParts(r));
  out->pName = area->Put(r.name);
  out->pComment = area->Put(r.comment);
}

void Pack2(const PrinterView& v, PRINTER_INFO_2A* out, StringArea* area) {
  const PrinterRecord& r = *v.record;
  std::memset(out, 0, sizeof(*out));
  out->pServerName = nullptr;  // local printers carry no server name
  out->pPrinterName = area->Put(r.name);
  out->pShareName = area->Put(r.share_name);
  out->pPortName = area->Put(r.port);
  out->pDriverName = area->Put(r.driver);
  out->pComment = area->Put(r.comment);
  out->pLocation = area->Put(r.location);
  out->pSepFile = area->Put(r.separator_file);
  out->pPrintProcessor = area->Put(r.print_processor);
  out->pDatatype = area->Put(r.datatype);
  out->pParameters = area->Put(r.parameters);
  out->Attributes = ReportedAttributes(v);
  out->Priority = r.priority;
  out->DefaultPriority = r.default_priority;
  out->StartTime = r.start_time;
  out->UntilTime = r.until_time;
  out->Status = r.status;
}

// Level 4: the name and attributes only; a local printer has no server name.
void Pack4(const PrinterView& v, PRINTER_INFO_4A* out, StringArea* area) {
  out->pPrinterName = area->Put(v.record->name);
  out->pServerName = nullptr;
  out->Attributes = ReportedAttributes(v);
}

// Level 5: Windows reports the time-outs a new local printer gets (15 s to
// select the device, 45 s between retries); winsim keeps no others.
void Pack5(const PrinterView& v, PRINTER_INFO_5A* out, StringArea* area) {
  out->pPrinterName = area->Put(v.record->name);
  out->pPortName = area->Put(v.record->port);
  out->Attributes = ReportedAttributes(v);
  out->DeviceNotSelectedTimeout = 15000;
  out->TransmissionRetryTimeout = 45000;
}

// The A and W records have the same size: only their strings differ.
size_t RecordSize(DWORD level, const PrinterRecord& r, Measure measure) {
  switch (level) {
    case 1: return sizeof(PRINTER_INFO_1A) + StringsSize1(r, measure);
    case 2: return sizeof(PRINTER_INFO_2A) + StringsSize2(r, measure);
    case 4: return sizeof(PRINTER_INFO_4A) + StringsSize4(r, measure);
    default: return sizeof(PRINTER_INFO_5A) + StringsSize5(r, measure);
  }
}

DWORD TotalSize(DWORD level, const std::vector<PrinterView>& printers, Measure measure) {
  size_t total = 0;
  for (const PrinterView& v : printers) total += RecordSize(level, *v.record, measure);
  return total > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(total);
}

}  // namespace

bool IsPrinterInfoLevel(DWORD level) { return level == 1 || level == 2 || level == 4 || level == 5; }

DWORD PackedSize(DWORD level, const std::vector<PrinterView>& printers) {
  return TotalSize(level, printers, AnsiBytes);
}

DWORD UnicodeSize(DWORD level, const std::vector<PrinterView>& printers) {
  return TotalSize(level, printers, WideBytes);
}

void PackPrinters(DWORD level, const std::vector<PrinterView>& printers, LPBYTE block, DWORD size) {
  StringArea area(block, size);
  for (size_t i = 0; i < printers.size(); ++i) {
    switch (level) {
      case 1: Pack1(printers[i], reinterpret_cast<PRINTER_INFO_1A*>(block) + i, &area); break;
      case 2: Pack2(printers[i], reinterpret_cast<PRINTER_INFO_2A*>(block) + i, &area); break;
      case 4: Pack4(printers[i], reinterpret_cast<PRINTER_INFO_4A*>(block) + i, &area); break;
      default: Pack5(printers[i], reinterpret_cast<PRINTER_INFO_5A*>(block) + i, &area); break;
    }
  }
}

void UnpackPrinter2(const PRINTER_INFO_2A& in, PrinterRecord* r) {
  auto take = [](const char* from, std::string* to) {
    if (from != nullptr) *to = from;
  };
  take(in.pPrinterName, &r->name);
  take(in.pShareName, &r->share_name);
  take(in.pPortName, &r->port);
  take(in.pDriverName, &r->driver);
  take(in.pComment, &r->comment);
  take(in.pLocation, &r->location);
  take(in.pSepFile, &r->separator_file);
  take(in.pPrintProcessor, &r->print_processor);
  take(in.pDatatype, &r->datatype);
  take(in.pParameters, &r->parameters);
  r->attributes = in.Attributes & ~static_cast<DWORD>(PRINTER_ATTRIBUTE_DEFAULT);
  r->priority = in.Priority;
  r->default_priority = in.DefaultPriority;
  r->start_time = in.StartTime;
  r->until_time = in.UntilTime;
}

}  // namespace winsim::spooler
