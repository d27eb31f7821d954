// The least a program can do to log a meter: open the line at 115200 8N1,
// send the start byte, then for every wake-up poll, read, format one line a
// record and write it to standard output, until the end record; then the
// stop byte. bench_line_rate measures its CPU time a reading as the floor.
// Usage: line_rate_floor DEVICE
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <termios.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const int fd = open(argv[1], O_RDWR | O_NOCTTY);
  if (fd < 0) return 3;
  struct termios line;
  tcgetattr(fd, &line);
  cfmakeraw(&line);
  cfsetispeed(&line, B115200);
  cfsetospeed(&line, B115200);
  tcsetattr(fd, TCSANOW, &line);
  const unsigned char start = 0xB1, stop = 0xB0;
  if (write(fd, &start, 1) != 1) return 4;
  unsigned char record[12];
  size_t have = 0;
  long count = 0;
  for (;;) {
    struct pollfd wait = {fd, POLLIN, 0};
    if (poll(&wait, 1, 5000) <= 0) break;
    const ssize_t got = read(fd, record + have, sizeof record - have);
    if (got <= 0) break;
    have += (size_t)got;
    if (have < sizeof record) continue;
    have = 0;
    if (record[7] == 0xBB) break;
    char text[96];
    const int length = snprintf(text, sizeof text, "%ld,20%02u-%02u-%02u %02u:%02u:%02u,%u,%u\n",
                                count++, record[7], record[6], record[9], record[8], record[11],
                                record[10], record[2] | record[3] << 8, record[4] | record[5] << 8);
    if (write(STDOUT_FILENO, text, (size_t)length) != length) return 5;
  }
  if (write(fd, &stop, 1) != 1) return 4;
  return 0;
}
