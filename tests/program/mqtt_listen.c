/* What a broker passes on, for the end-to-end scripts: prints each message
 * on FILTER as "topic<TAB>payload" for SECONDS seconds, after "subscribed"
 * once the broker has taken the subscription. With --free-port it prints
 * a free TCP port of 127.0.0.1 instead, for the script's broker.
 *
 *   mqtt_listen PORT FILTER SECONDS
 *   mqtt_listen --free-port
 */
#include <mosquitto.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

static const char* filter;

static void on_connect(struct mosquitto* m, void* obj, int rc) {
    (void)obj;
    if (rc == 0) mosquitto_subscribe(m, NULL, filter, 1);
}

static void on_subscribe(struct mosquitto* m, void* obj, int mid, int n, const int* qos) {
    (void)m, (void)obj, (void)mid, (void)n, (void)qos;
    printf("subscribed\n");
    fflush(stdout);
}

static void on_message(struct mosquitto* m, void* obj, const struct mosquitto_message* msg) {
    (void)m, (void)obj;
    printf("%s\t%.*s\n", msg->topic, msg->payloadlen, (const char*)msg->payload);
    fflush(stdout);
}

int main(int argc, char** argv) {
    if (argc == 2 && !strcmp(argv[1], "--free-port")) {
        int s = socket(AF_INET, SOCK_STREAM, 0);
        struct sockaddr_in a = {0};
        socklen_t len = sizeof a;
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (bind(s, (struct sockaddr*)&a, sizeof a) || getsockname(s, (struct sockaddr*)&a, &len))
            return 1;
        printf("%d\n", ntohs(a.sin_port));
        close(s);
        return 0;
    }
    if (argc != 4) {
        fprintf(stderr, "usage: mqtt_listen PORT FILTER SECONDS | --free-port\n");
        return 2;
    }
    filter = argv[2];
    mosquitto_lib_init();
    struct mosquitto* m = mosquitto_new(NULL, true, NULL);
    mosquitto_connect_callback_set(m, on_connect);
    mosquitto_subscribe_callback_set(m, on_subscribe);
    mosquitto_message_callback_set(m, on_message);
    /* The broker may be starting still. */
    const time_t end = time(NULL) + atoi(argv[3]);
    while (mosquitto_connect(m, "127.0.0.1", atoi(argv[1]), 30) != MOSQ_ERR_SUCCESS) {
        if (time(NULL) >= end) return 1;
        usleep(50000);
    }
    while (time(NULL) < end)
        mosquitto_loop(m, 100, 1);
    mosquitto_destroy(m);
    mosquitto_lib_cleanup();
    return 0;
}
