// Takes the pictures of the stub's windows for the docs: drives each window
// of a package like a user would and saves the screen area of the
// program's windows as a BMP (scripts/screenshots turns them into PNGs).
//
//   kzpshots <out folder> <language> <large.exe> <small.exe> <bare.exe> <sample> <data> [<variant>]
//
// large.exe and small.exe are the sample package with and without
// LARGE_WINDOW, made from the sample folder; bare.exe is the stub alone;
// the data folder receives the damaged packages made here. Extract runs
// into the folder of large.exe. Pictures are named <scene>-<language>.bmp;
// the Windows locale (LC_ALL) picks the language, which must match the one
// named (en, de, fr, es, it, ja). With a variant, only the package window
// of small.exe is taken, as main-<language>-<variant>.bmp.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "packer/zip_mutators.h"
#include "packer/zip_writer.h"
#include "process_runner.h"

namespace {

// The texts that the windows are found by, in each language of the stub.
struct CKzpShotTexts {
  const wchar_t* language;
  const wchar_t* caption;
  const wchar_t* contents;
  const wchar_t* license;
  const wchar_t* progress;
  const wchar_t* usage;
  const wchar_t* browserPrompt;
};

const CKzpShotTexts kTexts[] = {
    {L"en", L"Quellmar Self Extracting Package", L"Package Contents", L"License Agreement",
     L"Extraction Progress", L"Command Line Usage",
     L"Select a folder to hold the extracted package contents."},
    {L"de", L"Selbstextrahierendes Quellmar-Paket", L"Paketinhalt", L"Lizenzvertrag",
     L"Paket wird entpackt...", L"Befehlszeilenparameter",
     L"W\u00E4hlen Sie einen Ordner, in den der Paketinhalt entpackt werden soll."},
    {L"fr", L"Package auto-extractible Quellmar", L"Contenu du package", L"Contrat de licence",
     L"Extraction en cours...", L"Utilisation de la ligne de commande",
     L"S\u00E9lectionnez le dossier o\u00F9 enregistrer le contenu extrait du package."},
    {L"es", L"Paquete autoextra\u00EDble de Quellmar", L"Contenido del paquete",
     L"Contrato de licencia", L"Extrayendo el paquete...", L"Uso de la l\u00EDnea de comandos",
     L"Seleccione la carpeta donde desea guardar el contenido extra\u00EDdo del paquete."},
    {L"it", L"Pacchetto autoestraente Quellmar", L"Contenuto del pacchetto",
     L"Contratto di licenza", L"Estrazione in corso...", L"Utilizzo della riga di comando",
     L"Selezionare la cartella in cui salvare il contenuto estratto del pacchetto."},
    // Japanese systems show the English license dialog.
    {L"ja", L"Quellmar\u81EA\u5DF1\u89E3\u51CD\u578B \u30D1\u30C3\u30B1\u30FC\u30B8 ",
     L"\u30D1\u30C3\u30B1\u30FC\u30B8\u5185\u5BB9", L"License Agreement", L"\u89E3\u51CD\u4E2D...",
     L"\u30B3\u30DE\u30F3\u30C9\u30E9\u30A4\u30F3\u4F7F\u7528\u65B9\u6CD5",
     L"\u30D1\u30C3\u30B1\u30FC\u30B8\u5185\u5BB9\u3092\u5C55\u958B\u3059\u308B"
     L"\u30D5\u30A1\u30EB\u30C0\u3092\u9078\u629E\u3057\u3066\u304F\u3060\u3055\u3044\u3002"},
};

constexpr int kExtract = 1003, kClose = 1004;
constexpr LONG kMargin = 12;  // of desktop around the windows
constexpr DWORD kLimitMs = 60000;

struct Shots {
  std::wstring out;
  std::wstring suffix;
  std::wstring caption;
  int failures = 0;
};

const CKzpShotTexts* TextsOf(const wchar_t* language) {
  for (const CKzpShotTexts& texts : kTexts) {
    if (lstrcmpW(texts.language, language) == 0) return &texts;
  }
  return nullptr;
}

// The screen area that holds every visible window of the program, with a
// margin, as a 24-bit BMP.
bool SavePicture(HWND anyWindow, const std::wstring& path) {
  DWORD processId = 0;
  GetWindowThreadProcessId(anyWindow, &processId);
  RECT area{};
  for (HWND window : VisibleWindowsOf(processId)) {
    RECT rect = ScreenRect(window);
    UnionRect(&area, &area, &rect);
  }
  InflateRect(&area, kMargin, kMargin);
  const LONG width = area.right - area.left, height = area.bottom - area.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool saved = false;
  if (bitmap != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info.bmiHeader;
    header.bfSize = header.bfOffBits + rowBytes * height;
    std::vector<std::uint8_t> file(reinterpret_cast<std::uint8_t*>(&header),
                                   reinterpret_cast<std::uint8_t*>(&header + 1));
    const auto* infoBytes = reinterpret_cast<const std::uint8_t*>(&info.bmiHeader);
    file.insert(file.end(), infoBytes, infoBytes + sizeof info.bmiHeader);
    const auto* pixels = static_cast<const std::uint8_t*>(bits);
    file.insert(file.end(), pixels, pixels + rowBytes * height);
    saved = WriteFileBytes(path, file);
    SelectObject(memory, old);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return saved;
}

// Wine in a virtual desktop without a window manager paints the caption of
// a program's first window as inactive although the window is the active
// one; repaint the caption as what the window is before taking it.
void PaintCaptionAsItIs(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return;
  if (info.hwndActive != window) return;
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(window, WM_NCACTIVATE, TRUE, 0, SMTO_ABORTIFHUNG, 500, &ignored);
  Sleep(100);
}

WindowAnswer Snap(Shots& shots, const std::wstring& scene, WindowAnswer then) {
  return [&shots, scene, then](HWND window, const ObservedWindow& seen) {
    PaintCaptionAsItIs(window);
    const std::wstring path = shots.out + L"\\" + scene + L"-" + shots.suffix + L".bmp";
    if (!SavePicture(window, path)) ++shots.failures;
    if (then) then(window, seen);
  };
}

WindowAnswer Press(int id) {
  return [id](HWND window, const ObservedWindow&) { PressButton(window, id); };
}

void Run(Shots& shots, const std::wstring& program, const std::wstring& arguments,
         const std::vector<WindowStep>& steps) {
  SettleFolderTimes(program.substr(0, program.rfind(L'\\')));
  const ProcessOutcome outcome = RunConversation(program, arguments, steps, kLimitMs);
  if (outcome.timedOut || outcome.stepsDone != steps.size()) {
    std::fwprintf(stderr, L"kzpshots: %ls %ls stopped after %zu of %zu steps; windows seen:\n",
                  program.c_str(), arguments.c_str(), outcome.stepsDone, steps.size());
    for (const ObservedWindow& window : outcome.windows) {
      std::fwprintf(stderr, L"  \"%ls\" (%ls)\n", window.title.c_str(), window.className.c_str());
    }
    ++shots.failures;
  }
}

WindowStep Main(const Shots& shots, WindowAnswer act) {
  return WindowStep{shots.caption, std::move(act), true};
}

// OK once the browser has walked to the program's own folder (Wine's
// browser selects the folders on the way one after another); Cancel if it
// never gets there, so nothing is ever extracted anywhere else. The
// browser's title is Wine's own, in Wine's language: it is found by the
// prompt the program gives it.
WindowStep Browse(const std::wstring& prompt, const std::wstring& folderName,
                  WindowAnswer snap = {}) {
  return WindowStep{L"",
                    [folderName, snap](HWND window, const ObservedWindow& seen) {
                      HWND tree = FindWindowExW(window, nullptr, L"SysTreeView32", nullptr);
                      bool there = false;
                      for (int wait = 0; wait < 100 && !there; ++wait, Sleep(100)) {
                        there = SelectedTreeItemText(tree) == folderName;
                      }
                      if (there && snap) snap(window, seen);
                      PressButton(window, there ? IDOK : IDCANCEL);
                    },
                    false, prompt};
}

// The sample's description with damage of one kind: a stored entry whose
// bytes no longer match their CRC, or 4,000 entries that each claim 4 GiB.
std::wstring DamagedPackage(const std::wstring& stub, const std::wstring& sample,
                            const std::wstring& data, bool tooLarge) {
  kzppack::ZipWriter writer(ReadFileBytes(stub));
  writer.AddFile("package.xml", ReadFileText(sample + L"\\package.xml"));
  writer.AddFile("readme.txt", "Sample Disk Utility");
  if (!tooLarge) writer.AddFile("bin/broken.dat", "bytes that lost their CRC", kzppack::kMethodStored);
  for (int i = 0; tooLarge && i < 4000; ++i) writer.AddFile("data/" + std::to_string(i), "");
  kzppack::ZipLayout layout;
  kzppack::Bytes bytes = writer.Finish(&layout);
  for (std::size_t i = 2; tooLarge && i < layout.entries.size(); ++i) {
    kzppack::DeclareUncompressedSize(bytes, layout, i, 0xFFFFFFFFu);
  }
  if (!tooLarge) kzppack::CorruptEntryData(bytes, layout, 2);
  const std::wstring folder = data + (tooLarge ? L"\\no-space" : L"\\failed");
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring path = folder + L"\\SamplePackage.exe";
  WriteFileBytes(path, bytes);
  return path;
}

// Every window of the stub in one language.
void TakeAll(Shots& shots, const CKzpShotTexts& texts, const std::wstring& large,
             const std::wstring& small, const std::wstring& bare, const std::wstring& sample,
             const std::wstring& data) {
  const std::wstring prompt = texts.browserPrompt;
  Run(shots, large, L"", {Main(shots, Snap(shots, L"main-large", Press(kClose)))});
  Run(shots, small, L"", {Main(shots, Snap(shots, L"main", Press(kClose)))});
  Run(shots, large, L"",
      {Main(shots, [](HWND w, const ObservedWindow&) { ChooseSystemCommand(w, 0xFF0); }),
       WindowStep{texts.contents, Snap(shots, L"contents", [](HWND w, const ObservedWindow&) {
                    PressKey(w, VK_ESCAPE);
                  })},
       Main(shots, Press(kClose))});
  // Extract: the license, the browser (Wine's own, in Wine's language), the
  // progress window.
  Run(shots, large, L"",
      {Main(shots, Press(kExtract)), WindowStep{texts.license, Snap(shots, L"license", Press(IDOK))},
       Browse(prompt, L"large", Snap(shots, L"browser", {})),
       WindowStep{texts.progress, Snap(shots, L"progress", {})}, Main(shots, Press(kClose))});
  Run(shots, DamagedPackage(bare, sample, data, true), L"",
      {Main(shots, Press(kExtract)), Browse(prompt, L"no-space"),
       WindowStep{shots.caption, Snap(shots, L"no-space", Press(IDOK)), false, L"\n\n"},
       Main(shots, Press(kClose))});
  Run(shots, DamagedPackage(bare, sample, data, false), L"",
      {Main(shots, Press(kExtract)), Browse(prompt, L"failed"),
       WindowStep{shots.caption, Snap(shots, L"extraction-failed", Press(IDOK)), false,
                  L"Quellmar"}});
  Run(shots, bare, L"/help", {WindowStep{texts.usage, Snap(shots, L"usage", Press(IDCANCEL))}});
  Run(shots, bare, L"", {WindowStep{shots.caption, Snap(shots, L"not-a-package", Press(IDOK))}});
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const CKzpShotTexts* texts = argc >= 3 ? TextsOf(argv[2]) : nullptr;
  if ((argc != 8 && argc != 9) || texts == nullptr) {
    std::fwprintf(stderr,
                  L"usage: kzpshots <out folder> <en|de|fr|es|it|ja> <large.exe> <small.exe> "
                  L"<bare.exe> <sample folder> <data folder> [<variant>]\n");
    return 2;
  }
  Shots shots{argv[1], argv[2], texts->caption};
  if (argc == 9) {
    shots.suffix += std::wstring(L"-") + argv[8];
    Run(shots, argv[4], L"", {Main(shots, Snap(shots, L"main", Press(kClose)))});
  } else {
    TakeAll(shots, *texts, argv[3], argv[4], argv[5], argv[6], argv[7]);
  }
  return shots.failures == 0 ? 0 : 1;
}
