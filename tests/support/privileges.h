/* Giving up privileges in a child process, so that tests can see what a
 * process without them gets (the tests run as root in CI). */
#ifndef privileges_INCLUDED
#define privileges_INCLUDED

namespace testsupport {

/* Removes the capability (CAP_...) from the effective and permitted sets;
 * false when the system refuses. */
bool dropCapability(int capability);

/* Switches real, effective and saved user and group to nobody (65534);
 * false when the system refuses. */
bool becomeNobody();

/* Makes every later fork and thread creation fail: runs as nobody with no
 * process allowance. False when that cannot be arranged. */
bool forbidNewProcesses();

}  // namespace testsupport

#endif
