#include "driver/mdl_main.h"
#include "platform/process.h"

int main(int argc, char** argv) {
  platform::CaptureProcessArguments(argc, argv);
  platform::IgnoreWriteSignals();
  platform::HideSystemErrorDialogs();
  return mdlMain::Main();
}
