// Holds a file open for writing, as a news server rewriting it would, until a flag file goes.
//   hold_file FILE FLAG READY
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  int fd = open(argv[1], O_RDWR);
  if (fd < 0) return 3;
  // The same kind of lock the tool's file layer takes, exclusive: writers share with nobody.
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  if (fcntl(fd, F_OFD_SETLK, &lock) != 0) return 4;
  if (FILE* ready = std::fopen(argv[3], "w")) std::fclose(ready);
  while (access(argv[2], F_OK) == 0) usleep(20000);
  close(fd);
  return 0;
}
