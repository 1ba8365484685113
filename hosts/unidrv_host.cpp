#include "hosts/unidrv_host.h"

#include <stdio.h>
#include <string.h>

#include <optional>

#include "hosts/unidrv_device.h"
#include "hosts/unidrv_helper.h"
#include "hosts/unidrv_module.h"
#include "page/band.h"
#include "platform/printer_oem.h"
#include "tables/built_tables.h"

namespace hosts {

namespace {

using namespace plat;

constexpr char kSignature[4] = {'Z', 'N', 'D', 'Q'};

std::string Hex(HRESULT hr) {
  char text[16];
  snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

// Everything one job holds, taken down in Unidrv's order whatever happened.
class UnidrvJob {
 public:
  UnidrvJob(const UnidrvJobSettings& settings, UnidrvTrace* trace)
      : settings_(settings),
        trace_(trace),
        helper_(page::DiscTypeKeyword(settings.options.disc_type)) {}
  ~UnidrvJob() { TearDown(); }

  bool Run(const std::string& module_path, const std::vector<page::InkPage>& pages,
           std::vector<uint8_t>* job);
  const std::string& Error() const { return error_; }

 private:
  bool Fail(const std::string& message) {
    if (error_.empty()) error_ = message;
    return false;
  }
  void Note(const std::string& event) {
    if (trace_ != nullptr) trace_->events.push_back(event);
  }
  bool LoadTable();
  bool CreatePlugin(const std::string& module_path);
  bool Introduce();
  bool EnableDevice();
  bool PrintPage(const page::InkPage& page, int number);
  bool Finish();
  void TearDown();
  PFN Ddi(ULONG index) const;

  const UnidrvJobSettings& settings_;
  UnidrvTrace* trace_;
  std::string error_;
  std::optional<tables::PrinterTable> table_;
  PluginModule module_;
  UnidrvHelper helper_;
  UnidrvDevice device_;
  IPrintOemUni* plugin_ = nullptr;
  bool driver_enabled_ = false;
  bool pdev_enabled_ = false;
  DRVENABLEDATA hooks_{};
  std::vector<uint8_t> private_dm_;
  SURFOBJ surface_{};
};

bool UnidrvJob::LoadTable() {
  const auto gpc = tables::BuiltGpcTable();
  std::string why;
  table_ = tables::PrinterTable::Parse(gpc.data, gpc.size, &why);
  if (!table_) return Fail("the printer description table does not read: " + why);
  return true;
}

bool UnidrvJob::CreatePlugin(const std::string& module_path) {
  std::string why;
  if (!module_.Load(module_path, &why)) return Fail(why);
  Note("loaded " + module_path);

  void* object = nullptr;
  HRESULT hr = module_.GetClassObject()(kClsidOemRender, kIidIClassFactory, &object);
  if (hr != S_OK || object == nullptr) return Fail("DllGetClassObject failed with " + Hex(hr));
  IClassFactory* factory = static_cast<IClassFactory*>(object);
  object = nullptr;
  hr = factory->lpVtbl->CreateInstance(factory, nullptr, kIidIPrintOemUni, &object);
  factory->lpVtbl->Release(factory);
  if (hr != S_OK || object == nullptr) return Fail("CreateInstance failed with " + Hex(hr));
  plugin_ = static_cast<IPrintOemUni*>(object);
  Note("created the plug-in");
  return true;
}

// Unidrv's questions to a new plug-in, in its order.
bool UnidrvJob::Introduce() {
  DWORD value = 0;
  DWORD needed = 0;
  HRESULT hr = plugin_->lpVtbl->GetInfo(plugin_, OEMGI_GETSIGNATURE, &value, sizeof value, &needed);
  if (hr != S_OK || memcmp(&value, kSignature, 4) != 0) {
    return Fail("the plug-in does not sign as ZNDQ");
  }
  hr = plugin_->lpVtbl->GetInfo(plugin_, OEMGI_GETVERSION, &value, sizeof value, &needed);
  if (hr != S_OK) return Fail("GetInfo for the version failed with " + Hex(hr));
  Note("signature ZNDQ, version " + std::to_string(value));

  hr = plugin_->lpVtbl->PublishDriverInterface(plugin_, helper_.Unknown());
  if (hr != S_OK) return Fail("PublishDriverInterface failed with " + Hex(hr));

  char name[] = "ImageProcessing";
  if (plugin_->lpVtbl->GetImplementedMethod(plugin_, name) != S_OK) {
    return Fail("the plug-in does not implement ImageProcessing");
  }

  OEMDMPARAM param{};
  param.cbSize = sizeof param;
  hr = plugin_->lpVtbl->DevMode(plugin_, OEMDM_SIZE, &param);
  if (hr != S_OK || param.cbBufSize < sizeof(OEM_DMEXTRAHEADER)) {
    return Fail("DevMode could not size the private devmode");
  }
  private_dm_.assign(param.cbBufSize, 0);
  param.pOEMDMOut = private_dm_.data();
  hr = plugin_->lpVtbl->DevMode(plugin_, OEMDM_DEFAULT, &param);
  OEM_DMEXTRAHEADER header;
  memcpy(&header, private_dm_.data(), sizeof header);
  if (hr != S_OK || header.dwSize != private_dm_.size() ||
      memcmp(&header.dwSignature, kSignature, 4) != 0) {
    return Fail("DevMode gave no default private devmode of its own");
  }
  Note("private devmode of " + std::to_string(private_dm_.size()) + " bytes");
  return true;
}

bool UnidrvJob::EnableDevice() {
  HRESULT hr = plugin_->lpVtbl->EnableDriver(plugin_, PRINTER_OEMINTF_VERSION, sizeof hooks_, &hooks_);
  if (hr != S_OK) return Fail("EnableDriver failed with " + Hex(hr));
  driver_enabled_ = true;
  Note("EnableDriver: " + std::to_string(hooks_.c) + " hooks");

  device_.public_dm.dmOrientation =
      static_cast<SHORT>(settings_.landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT);
  device_.devobj.pOEMDM = private_dm_.data();
  DRVENABLEDATA unidrv = device_.EnableData();
  PVOID pdev = nullptr;
  WCHAR printer[] = Q2_WIDE("Quillory2");
  hr = plugin_->lpVtbl->EnablePDEV(plugin_, &device_.devobj, printer, 0, nullptr, 0, nullptr, 0,
                                   nullptr, &unidrv, &pdev);
  if (hr != S_OK || pdev == nullptr) return Fail("EnablePDEV failed with " + Hex(hr));
  device_.devobj.pdevOEM = pdev;
  pdev_enabled_ = true;
  Note("EnablePDEV");

  surface_.dhpdev = &device_.devobj;
  surface_.iType = STYPE_BITMAP;
  return true;
}

// The engine calls the plug-in's hook where it has one, Unidrv's function otherwise.
PFN UnidrvJob::Ddi(ULONG index) const {
  for (ULONG i = 0; hooks_.pdrvfn != nullptr && i < hooks_.c; ++i) {
    if (hooks_.pdrvfn[i].iFunc == index) return hooks_.pdrvfn[i].pfn;
  }
  return device_.Function(index);
}

// The band in Unidrv's form: its bits, and the header that describes them.
BITMAPINFOHEADER HeaderOf(const page::Band& band) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = band.width;
  header.biHeight = band.height;
  header.biPlanes = 1;
  header.biBitCount = band.bits_per_pixel;
  header.biSizeImage = static_cast<DWORD>(band.bits.size());
  return header;
}

bool UnidrvJob::PrintPage(const page::InkPage& page, int number) {
  page::Band band;
  std::string why;
  if (!page::MakeBand(page, settings_.landscape, &band, &why)) {
    return Fail("page " + std::to_string(number) + ": " + why);
  }
  std::vector<uint8_t>& bits = band.bits;
  const BITMAPINFOHEADER header = HeaderOf(band);
  device_.public_dm.dmYResolution = static_cast<SHORT>(page.rows_per_inch);
  device_.public_dm.dmColor = static_cast<SHORT>(page.colour ? 2 : 1);
  surface_.sizlBitmap = {header.biWidth, header.biHeight};
  surface_.pvBits = bits.data();
  surface_.cjBits = header.biSizeImage;

  const size_t calls_before = device_.calls.size();
  if (!reinterpret_cast<PFN_DrvStartPage>(Ddi(INDEX_DrvStartPage))(&surface_)) {
    return Fail("DrvStartPage failed");
  }
  // A little drawing, as an application's page brings it: the plug-in must
  // pass it on untouched and answer brush realisation itself.
  RECTL area = {0, 0, header.biWidth, header.biHeight};
  POINTL origin = {0, 0};
  if (!reinterpret_cast<PFN_DrvRealizeBrush>(Ddi(INDEX_DrvRealizeBrush))(
          nullptr, &surface_, nullptr, nullptr, nullptr, 0)) {
    return Fail("DrvRealizeBrush failed");
  }
  if (!reinterpret_cast<PFN_DrvBitBlt>(Ddi(INDEX_DrvBitBlt))(
          &surface_, nullptr, nullptr, nullptr, nullptr, &area, nullptr, nullptr, nullptr,
          &origin, 0xF0F0)) {
    return Fail("DrvBitBlt failed");
  }
  if (!reinterpret_cast<PFN_DrvLineTo>(Ddi(INDEX_DrvLineTo))(&surface_, nullptr, nullptr, 0, 0,
                                                             header.biWidth - 1, 0, &area, 0x0D0D)) {
    return Fail("DrvLineTo failed");
  }

  // Unidrv dumps the page's band from inside its own DrvSendPage, after the
  // plug-in's hook has put the cursor back at the origin.
  bool band_sent = false;
  device_.cursor.clear();
  device_.on_send_page = [&](SURFOBJ*) {
    if (device_.cursor.size() != 2 || device_.cursor[0].axis != 'X' ||
        device_.cursor[1].axis != 'Y' || device_.cursor[0].position != 0 ||
        device_.cursor[1].position != 0) {
      Fail("page " + std::to_string(number) + ": the cursor was not put back at the origin");
    }
    const std::vector<uint8_t> original = bits;
    BITMAPINFOHEADER header_copy = header;
    PBYTE result = nullptr;
    const HRESULT hr = plugin_->lpVtbl->ImageProcessing(plugin_, &device_.devobj, bits.data(),
                                                        &header_copy, nullptr, 0, nullptr, &result);
    if (hr != S_OK) {
      Fail("ImageProcessing failed with " + Hex(hr));
    } else if (result != bits.data() || bits != original) {
      Fail("ImageProcessing did not hand the band back unchanged");
    }
    band_sent = true;
    Note("ImageProcessing page " + std::to_string(number) + ": " +
         std::to_string(header.biWidth) + " x " + std::to_string(header.biHeight) + " x " +
         std::to_string(header.biBitCount));
  };
  const BOOL sent = reinterpret_cast<PFN_DrvSendPage>(Ddi(INDEX_DrvSendPage))(&surface_);
  device_.on_send_page = nullptr;
  if (!error_.empty()) return false;
  if (!sent || !band_sent) return Fail("DrvSendPage did not reach Unidrv");

  // Every call but the brush must have reached Unidrv: start, blit, line, send.
  size_t reached = 0;
  for (size_t i = calls_before; i < device_.calls.size(); ++i) {
    if (device_.calls[i].index == INDEX_DrvRealizeBrush) {
      return Fail("the plug-in passed DrvRealizeBrush on");
    }
    ++reached;
  }
  if (reached != 4) return Fail("a hooked drawing call did not reach Unidrv");
  Note("page " + std::to_string(number) + " sent");
  return true;
}

bool UnidrvJob::Run(const std::string& module_path, const std::vector<page::InkPage>& pages,
                    std::vector<uint8_t>* job) {
  job->clear();
  if (pages.empty()) return Fail("there is no page to print");
  const int rows_per_inch = settings_.options.RowsPerInch();
  for (size_t i = 0; i < pages.size(); ++i) {
    if (pages[i].rows_per_inch != rows_per_inch) {
      return Fail("page " + std::to_string(i + 1) + " has " +
                  std::to_string(pages[i].rows_per_inch) + " rows per inch; the resolution chosen prints " +
                  std::to_string(rows_per_inch));
    }
    // Unidrv renders only the paper: no row address beyond the disc area.
    if (pages[i].rows > geometry::DiscAreaRows(rows_per_inch)) {
      return Fail("page " + std::to_string(i + 1) + " has " + std::to_string(pages[i].rows) +
                  " rows; the disc area holds " + std::to_string(geometry::DiscAreaRows(rows_per_inch)) +
                  " at " + std::to_string(rows_per_inch) + " rows per inch");
    }
  }
  bool ok = LoadTable() && CreatePlugin(module_path) && Introduce() && EnableDevice();
  if (ok) {
    WCHAR document[] = Q2_WIDE("disc label");
    ok = reinterpret_cast<PFN_DrvStartDoc>(Ddi(INDEX_DrvStartDoc))(&surface_, document, 1) != FALSE;
    if (!ok) Fail("DrvStartDoc failed");
  }
  if (ok) {
    // Unidrv sends the job's own commands from the printer description.
    const std::vector<uint8_t> setup = table_->JobSetup(settings_.options);
    helper_.spool.insert(helper_.spool.end(), setup.begin(), setup.end());
    for (size_t i = 0; ok && i < pages.size(); ++i) ok = PrintPage(pages[i], static_cast<int>(i + 1));
  }
  if (ok) {
    ok = reinterpret_cast<PFN_DrvEndDoc>(Ddi(INDEX_DrvEndDoc))(&surface_, 0) != FALSE;
    if (!ok) Fail("DrvEndDoc failed");
  }
  if (ok) {
    const std::vector<uint8_t> end = table_->JobEnd();
    helper_.spool.insert(helper_.spool.end(), end.begin(), end.end());
  }
  if (ok) ok = Finish();
  TearDown();
  *job = helper_.spool;
  return ok && error_.empty();
}

// The regular end of a job: everything the plug-in took must come back.
bool UnidrvJob::Finish() {
  if (plugin_->lpVtbl->DisablePDEV(plugin_, &device_.devobj) != S_OK) {
    return Fail("DisablePDEV failed");
  }
  pdev_enabled_ = false;
  if (plugin_->lpVtbl->DisableDriver(plugin_) != S_OK) return Fail("DisableDriver failed");
  driver_enabled_ = false;
  if (helper_.References() != 1) {
    return Fail("the plug-in kept " + std::to_string(helper_.References() - 1) +
                " reference(s) to the helper interface");
  }
  const ULONG left = plugin_->lpVtbl->Release(plugin_);
  plugin_ = nullptr;
  if (left != 0) return Fail("the plug-in object is still referenced after its last Release");
  if (module_.CanUnloadNow()() != S_OK) return Fail("DllCanUnloadNow refuses after the job");
  Note("plug-in released, module unloadable");
  return true;
}

void UnidrvJob::TearDown() {
  if (plugin_ != nullptr) {
    if (pdev_enabled_) plugin_->lpVtbl->DisablePDEV(plugin_, &device_.devobj);
    if (driver_enabled_) plugin_->lpVtbl->DisableDriver(plugin_);
    plugin_->lpVtbl->Release(plugin_);
    plugin_ = nullptr;
  }
  pdev_enabled_ = false;
  driver_enabled_ = false;
  module_.Unload();
}

}  // namespace

bool RenderUnidrvJob(const std::string& module_path, const std::vector<page::InkPage>& pages,
                     const UnidrvJobSettings& settings, std::vector<uint8_t>* job,
                     std::string* error, UnidrvTrace* trace) {
  UnidrvJob run(settings, trace);
  std::vector<uint8_t> bytes;
  const bool ok = run.Run(module_path, pages, &bytes);
  if (job != nullptr) *job = std::move(bytes);
  if (!ok && error != nullptr) *error = run.Error();
  return ok;
}

}  // namespace hosts
