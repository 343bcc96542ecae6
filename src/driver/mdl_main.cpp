#include "driver/mdl_main.h"

#include <new>
#include <optional>

#include "driver/output_file.h"
#include "driver/parse_args.h"
#include "driver/paths.h"
#include "host/failure.h"
#include "host/frm_tool.h"
#include "platform/files.h"
#include "platform/process.h"

#ifdef RTFPLAIN_TRACE
#include <cstdio>
#endif

namespace mdlMain {

platform::NativeString strAppPath;

namespace {

// The program must never read or write a file whose name it was not given: where the raw text
// was rebuilt from arguments already split, it must split back into exactly those arguments.
// Windows hands over the command line itself, so there is nothing to compare with.
void CheckTokensAreTheArguments() {
  if (!platform::RawTextIsRebuilt()) return;
  const std::vector<platform::NativeString> given = platform::GivenArguments();
  bool same = given.size() == static_cast<std::size_t>(intArgCount);
  for (std::size_t k = 0; same && k < given.size(); ++k) same = given[k] == astrArgs[k + 1];
  if (!same) host::Raise(host::FailureCode::kInvalidArgument);
}

void Trace([[maybe_unused]] int number, [[maybe_unused]] const char* description) {
#ifdef RTFPLAIN_TRACE
  std::fprintf(stderr, "Error %d: %s\n", number, description);
#endif
}

}  // namespace

int Main() {
  const std::optional<platform::NativeString> folder = platform::ExecutableFolder();
  if (!folder) return kFailed;  // before the failure path exists: end as quietly
  strAppPath = ToolFolder(*folder);

  host::frmTool form;
  int status = kFailed;
  try {
    form.Create();
    const std::int16_t count = ParseArgs(platform::RawArgumentText());
    CheckTokensAreTheArguments();
    if (count == 1) {
      const platform::NativeString& argument = astrArgs[1];
      if (IsAbsoluteArgument(argument)) host::Raise(host::FailureCode::kBadFileName);
      const platform::NativeString input = InputPath(strAppPath, argument);
      TextOutput output(OutputPath(argument));
      form.LoadFile(input, &output);
      output.Finish(form.GetText(), platform::IdentifyFile(input));
      status = kConverted;
    } else {
      status = kNotOneArgument;
    }
  } catch (const host::Failure& failure) {
    Trace(failure.number(), failure.description().c_str());
    status = kFailed;
  } catch (const std::bad_alloc&) {
    Trace(static_cast<int>(host::FailureCode::kOutOfMemory), "Out of memory");
    status = kFailed;
  }
  form.Destroy();
  return status;
}

}  // namespace mdlMain
