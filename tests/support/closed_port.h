#pragma once
// A loopback port that nothing listens on, so that a connection to it is refused at once.

namespace test {

// The port of a socket that was bound and closed again; 0 when none could be had.
long closed_loopback_port();

}  // namespace test
