#pragma once
// Sleeping and yielding, kept here so the layers above stay OS-neutral.
namespace veltrakey::platform {

void sleep_ms(unsigned milliseconds);
void yield_processor();

}  // namespace veltrakey::platform
