// SPDX-License-Identifier: GPL-2.0-only
#include "nl80211/connection.h"

#include <cerrno>
#include <cstring>
#include <linux/nl80211.h>
#include <net/if.h>
#include <netlink/genl/ctrl.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>
#include <netlink/netlink.h>

nl80211_state nlstate;

int nl80211_open(const char *ifname)
{
	memset(&nlstate, 0, sizeof(nlstate));
	nlstate.scan_group = -1;
	nlstate.ifindex = int(if_nametoindex(ifname));
	if (nlstate.ifindex == 0)
		return -1;
	nlstate.cmd_sock = nl_socket_alloc();
	if (!nlstate.cmd_sock)
		return -1;
	if (genl_connect(nlstate.cmd_sock) < 0)
		goto fail;
	nlstate.family_id = genl_ctrl_resolve(nlstate.cmd_sock, "nl80211");
	if (nlstate.family_id < 0)
		goto fail;
	nlstate.event_sock = nl_socket_alloc();
	if (!nlstate.event_sock || genl_connect(nlstate.event_sock) < 0)
		goto fail;
	nlstate.scan_group = genl_ctrl_resolve_grp(nlstate.cmd_sock, "nl80211", "scan");
	if (nlstate.scan_group < 0)
		goto fail;
	if (nl_socket_add_memberships(nlstate.event_sock, nlstate.scan_group, 0) < 0)
		goto fail;
	/* Multicast events carry sequence number 0: libnl's default check
	 * would drop every one of them. */
	nl_socket_disable_seq_check(nlstate.event_sock);
	return 0;
fail:
	nl80211_close();
	return -1;
}

void nl80211_close()
{
	if (nlstate.event_sock) {
		if (nlstate.scan_group >= 0)
			nl_socket_drop_memberships(nlstate.event_sock, nlstate.scan_group, 0);
		nl_socket_free(nlstate.event_sock);
	}
	if (nlstate.cmd_sock)
		nl_socket_free(nlstate.cmd_sock);
	memset(&nlstate, 0, sizeof(nlstate));
}

struct request_status {
	int done;
	int error;
};

static int ack_handler(nl_msg *, void *arg)
{
	static_cast<request_status *>(arg)->done = 1;
	return NL_STOP;
}

/* libnl would fold the kernel's errno into its own codes ("Unspecific
 * failure" for ENETDOWN): keep the kernel's. */
static int error_handler(sockaddr_nl *, nlmsgerr *err, void *arg)
{
	request_status *st = static_cast<request_status *>(arg);
	st->done = 1;
	st->error = err->error < 0 ? err->error : -EIO;
	return NL_STOP;
}

int nl80211_request(nl_msg *msg, nl80211_valid_cb valid_cb, void *arg)
{
	request_status st = {0, 0};
	/* A private copy of the socket's callbacks: nothing set here outlives
	 * this call, and the default sequence check stays on. */
	nl_cb *sock_cb = nl_socket_get_cb(nlstate.cmd_sock);
	nl_cb *cb = nl_cb_clone(sock_cb);
	nl_cb_put(sock_cb);
	if (!cb)
		return -ENOMEM;
	if (valid_cb)
		nl_cb_set(cb, NL_CB_VALID, NL_CB_CUSTOM, valid_cb, arg);
	nl_cb_set(cb, NL_CB_ACK, NL_CB_CUSTOM, ack_handler, &st);
	nl_cb_err(cb, NL_CB_CUSTOM, error_handler, &st);

	int r = nl_send_auto_complete(nlstate.cmd_sock, msg);
	if (r < 0)
		st.error = -EIO;
	else
		while (!st.done) {
			r = nl_recvmsgs(nlstate.cmd_sock, cb);
			if (r < 0 && !st.done) {
				st.error = -EIO;
				break;
			}
		}
	nl_cb_put(cb);
	return st.error;
}

int nl80211_interface_request(int cmd, nl80211_valid_cb valid_cb, void *arg)
{
	nl_msg *msg = nlmsg_alloc();
	int err = -ENOMEM;

	if (!msg)
		return err;
	if (genlmsg_put(msg, NL_AUTO_PID, NL_AUTO_SEQ, nlstate.family_id, 0, 0, uint8_t(cmd), 0) &&
	    nla_put_u32(msg, NL80211_ATTR_IFINDEX, uint32_t(nlstate.ifindex)) == 0)
		err = nl80211_request(msg, valid_cb, arg);
	nlmsg_free(msg);
	return err;
}
