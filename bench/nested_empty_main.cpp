// The floor of a CTest test of any client/server design: a static process
// that starts a second static empty process (argv[1]) and waits for it.
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  char* child_argv[] = {argv[1], nullptr};
  const pid_t pid = ::vfork();
  if (pid == 0) {
    ::execve(argv[1], child_argv, environ);
    ::_exit(127);
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return 2;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 2;
}
