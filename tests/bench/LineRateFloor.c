// The least a program can do to log a meter: open the line at 115200 8N1,
// send the start byte, then for every wake-up poll, read, format one line a
// record and write it to standard output, until the end record; then the
// stop byte. bench_line_rate measures its CPU time a reading as the floor.
// With --batched it does what a program allowed a 20 ms rest does at the
// least: waits for the line, sleeps 20 ms, reads all that came and writes
// the batch's lines with one write. With --9600 the line runs at 9600 baud.
// Usage: line_rate_floor DEVICE [--batched] [--9600]
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

static void Rest(void) {
  const struct timespec rest = {0, 20 * 1000 * 1000};
  nanosleep(&rest, NULL);
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  int batched = 0;
  speed_t speed = B115200;
  for (int i = 2; i < argc; ++i) {
    if (strcmp(argv[i], "--batched") == 0) {
      batched = 1;
    } else if (strcmp(argv[i], "--9600") == 0) {
      speed = B9600;
    } else {
      return 2;
    }
  }
  const int fd = open(argv[1], O_RDWR | O_NOCTTY);
  if (fd < 0) return 3;
  struct termios line;
  tcgetattr(fd, &line);
  cfmakeraw(&line);
  cfsetispeed(&line, speed);
  cfsetospeed(&line, speed);
  tcsetattr(fd, TCSANOW, &line);
  const unsigned char start = 0xB1, stop = 0xB0;
  if (write(fd, &start, 1) != 1) return 4;
  unsigned char bytes[4096 + 12];
  size_t have = 0;
  long count = 0;
  int ended = 0;
  while (!ended) {
    struct pollfd wait = {fd, POLLIN, 0};
    if (poll(&wait, 1, 5000) <= 0) break;
    if (batched) Rest();
    const ssize_t got = read(fd, bytes + have, batched ? 4096 : 12 - have);
    if (got <= 0) break;
    have += (size_t)got;
    char text[4096 / 12 * 64 + 64];
    size_t length = 0, used = 0;
    for (; have - used >= 12; used += 12) {
      const unsigned char* record = bytes + used;
      if (record[7] == 0xBB) {
        ended = 1;
        break;
      }
      length += (size_t)snprintf(text + length, sizeof text - length,
                                 "%ld,20%02u-%02u-%02u %02u:%02u:%02u,%u,%u\n", count++,
                                 record[7], record[6], record[9], record[8], record[11],
                                 record[10], record[2] | record[3] << 8, record[4] | record[5] << 8);
    }
    memmove(bytes, bytes + used, have - used);
    have -= used;
    if (length > 0 && write(STDOUT_FILENO, text, length) != (ssize_t)length) return 5;
  }
  if (write(fd, &stop, 1) != 1) return 4;
  // Alive a moment longer, so that the benchmark can read its CPU time
  // when the meter receives the stop byte.
  Rest();
  Rest();
  return 0;
}
