/* Functions for CallDLL: four arguments (in data, in size, out data, out
   size), one in each calling convention. */
#define EXPORT __attribute__((visibility("default")))

/* Sums the input bytes into the first output word and the input size into
   the second; returns the sum. Pops its arguments. */
EXPORT __attribute__((stdcall)) int sum_into(const unsigned char* in, int in_size, int* out, int out_size) {
  int sum = 0;
  for (int i = 0; i < in_size; ++i) sum += in[i];
  if (out_size >= 8) {
    out[0] = sum;
    out[1] = in_size;
  }
  return sum;
}

/* Leaves its arguments for the caller. Says which pointers it was given and
   the sizes. */
EXPORT int sizes_cdecl(const void* in, int in_size, void* out, int out_size) {
  return (in != 0) * 1000000 + (out != 0) * 100000 + in_size * 100 + out_size;
}
