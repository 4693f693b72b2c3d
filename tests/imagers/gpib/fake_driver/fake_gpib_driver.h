#pragma once

// The script of the fake GPIB driver the wrapper's tests load. Tests open the same library file
// as the wrapper, so both reach one copy of this state.
extern "C" {

// What every ib* call returns next (a linux-gpib status word), and what ThreadIberr and
// ThreadIbcntl report after it.
void fake_gpib_script(int status, int iberr, long ibcntl);
// The bytes ibrd hands out and the status byte ibrsp gives.
void fake_gpib_script_reply(const char* reply, char status_byte);
// The last ib* entry point called (empty before any), with its unit descriptor and integer arguments.
const char* fake_gpib_last_call();
int fake_gpib_last_ud();
int fake_gpib_last_argument(int position);
// The device name given to ibfind, and the bytes given to ibwrt.
const char* fake_gpib_found_name();
const char* fake_gpib_written();
}
