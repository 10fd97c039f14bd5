// SPDX-License-Identifier: GPL-3.0-or-later
#include "rpc_transport.h"

#include <stdbool.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <talloc.h>
#include <tevent.h>
#include <dcerpc.h>
#include <credentials.h>
#include <param.h>

struct vantor_rpc {
  TALLOC_CTX *mem;
  struct dcerpc_pipe *pipe;
};

static const char *const srvsvc_endpoints[] = {"ncacn_np:[\\pipe\\srvsvc]"};
static const char *const lsarpc_endpoints[] = {"ncacn_np:[\\pipe\\lsarpc]"};
static const struct ndr_interface_string_array srvsvc_endpoint_list = {1, srvsvc_endpoints};
static const struct ndr_interface_string_array lsarpc_endpoint_list = {1, lsarpc_endpoints};

/* The interfaces by identifier and version; the calls' bodies are ours. */
static const struct ndr_interface_table srvsvc_table = {
    .name = "srvsvc",
    .syntax_id = {{0x4b324fc8, 0x1670, 0x01d3, {0x12, 0x78}, {0x5a, 0x47, 0xbf, 0x6e, 0xe1, 0x88}}, 3},
    .num_calls = 0,
    .endpoints = &srvsvc_endpoint_list,
};
static const struct ndr_interface_table lsarpc_table = {
    .name = "lsarpc",
    .syntax_id = {{0x12345778, 0x1234, 0xabcd, {0xef, 0x00}, {0x01, 0x23, 0x45, 0x67, 0x89, 0xab}}, 0},
    .num_calls = 0,
    .endpoints = &lsarpc_endpoint_list,
};

uint32_t vantor_rpc_open(const char *server, int iface, const struct vantor_rpc_auth *auth, unsigned timeout_seconds,
                         struct vantor_rpc **out) {
  static bool initialised = false;
  if (!initialised) {
    NTSTATUS s = dcerpc_init();
    if (!NT_STATUS_IS_OK(s)) return NT_STATUS_V(s);
    initialised = true;
  }
  *out = NULL;
  TALLOC_CTX *mem = talloc_new(NULL);
  if (!mem) return NT_STATUS_V(NT_STATUS_NO_MEMORY);
  struct tevent_context *ev = tevent_context_init(mem);
  struct loadparm_context *lp = loadparm_init_global(true);
  struct cli_credentials *creds = cli_credentials_init(mem);
  if (!ev || !lp || !creds) {
    talloc_free(mem);
    return NT_STATUS_V(NT_STATUS_NO_MEMORY);
  }
  cli_credentials_set_conf(creds, lp);
  enum credentials_use_kerberos krb = auth->kerberos == VANTOR_KRB_REQUIRED   ? CRED_USE_KERBEROS_REQUIRED
                                      : auth->kerberos == VANTOR_KRB_DISABLED ? CRED_USE_KERBEROS_DISABLED
                                                                              : CRED_USE_KERBEROS_DESIRED;
  if (auth->user && auth->user[0]) {
    cli_credentials_set_username(creds, auth->user, CRED_SPECIFIED);
    cli_credentials_set_password(creds, auth->password ? auth->password : "", CRED_SPECIFIED);
    if (auth->domain && auth->domain[0]) cli_credentials_set_domain(creds, auth->domain, CRED_SPECIFIED);
  } else {
    /* The user's own Kerberos ticket. */
    cli_credentials_guess(creds, lp);
  }
  cli_credentials_set_kerberos_state(creds, krb, CRED_SPECIFIED);

  const struct ndr_interface_table *table = iface == VANTOR_RPC_LSARPC ? &lsarpc_table : &srvsvc_table;
  char *binding = talloc_asprintf(mem, "ncacn_np:%s[\\pipe\\%s]", server, table->name);
  struct dcerpc_pipe *pipe = NULL;
  NTSTATUS s = binding ? dcerpc_pipe_connect(mem, &pipe, binding, table, creds, ev, lp) : NT_STATUS_NO_MEMORY;
  if (!NT_STATUS_IS_OK(s)) {
    talloc_free(mem);
    return NT_STATUS_V(s);
  }
  if (timeout_seconds) pipe->request_timeout = timeout_seconds;
  struct vantor_rpc *rpc = talloc_zero(mem, struct vantor_rpc);
  if (!rpc) {
    talloc_free(mem);
    return NT_STATUS_V(NT_STATUS_NO_MEMORY);
  }
  rpc->mem = mem;
  rpc->pipe = pipe;
  *out = rpc;
  return 0;
}

uint32_t vantor_rpc_call(struct vantor_rpc *rpc, uint32_t opnum, const uint8_t *body, size_t length, uint8_t **reply,
                         size_t *reply_length) {
  *reply = NULL;
  *reply_length = 0;
  TALLOC_CTX *tmp = talloc_new(rpc->mem);
  uint8_t *data = NULL;
  size_t n = 0;
  uint32_t flags = 0;
  NTSTATUS s =
      dcerpc_binding_handle_raw_call(rpc->pipe->binding_handle, NULL, opnum, 0, body, length, tmp, &data, &n, &flags);
  if (NT_STATUS_IS_OK(s)) {
    *reply = malloc(n ? n : 1);
    if (*reply) {
      if (n) memcpy(*reply, data, n);
      *reply_length = n;
    } else {
      s = NT_STATUS_NO_MEMORY;
    }
  }
  talloc_free(tmp);
  return NT_STATUS_V(s);
}

void vantor_rpc_close(struct vantor_rpc *rpc) {
  if (rpc) talloc_free(rpc->mem);
}

bool vantor_samba_parameters(const char *path, const char *const *names, size_t count, char **values) {
  for (size_t i = 0; i < count; ++i) values[i] = NULL;
  TALLOC_CTX *mem = talloc_new(NULL);
  struct loadparm_context *lp = mem ? loadparm_init(mem) : NULL;
  if (!lp || !lpcfg_load(lp, path)) {
    talloc_free(mem);
    return false;
  }
  for (size_t i = 0; i < count; ++i) {
    char *text = NULL;
    size_t length = 0;
    FILE *f = open_memstream(&text, &length);
    if (!f) continue;
    bool ok = lpcfg_dump_a_parameter(lp, NULL, names[i], f);
    fclose(f);
    if (ok) {
      while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) text[--length] = '\0';
      values[i] = text;
    } else {
      free(text);
    }
  }
  talloc_free(mem);
  return true;
}
