// Fuzz target: the print style storage reader. A file that loads must save
// and load again into the same bytes; one that does not load must leave the
// previous styles in place.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "dialogs/PrintStyles.h"
#include "fuzz/FuzzSupport.h"
#include "platform/MessageDialogs.h"
#include "tests/ModalAnswers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  EnsureFuzzApplication();
  static const bool ready = [] {
    dxPSRegisterPrintStyles();
    AnswerMessageBoxes([](TMessageBoxKind, const std::string&, const std::string&) { return false; });
    return true;
  }();
  (void)ready;

  TdxPrintStyleManager manager;
  TBasedxPrintStyle* previous = manager.AddStyle(TdxPSPrintStyle::StaticClass());
  bool loaded = false;
  try {
    loaded = manager.LoadFromBytes(TByteView(data, size));
  } catch (const Exception&) {
    if (manager.Count() != 1 || manager.Styles(0) != previous || manager.IsUpdating()) std::abort();
  }
  if (!loaded) return 0;

  const TBytes saved = manager.SaveToBytes();
  TdxPrintStyleManager again;
  try {
    if (!again.LoadFromBytes(saved)) std::abort();
  } catch (const Exception&) {
    std::abort();  // what we write we must read
  }
  if (again.SaveToBytes() != saved || again.Count() != manager.Count()) std::abort();
  return 0;
}
